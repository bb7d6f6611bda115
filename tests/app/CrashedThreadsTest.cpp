// The program's own threads are guarded: a crash in one of them is reported under its name.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

#include "support/Spawned.h"

namespace tv {
namespace {

using test::Spawned;
using test::waitFor;

// The thread of `pid` whose kernel name (cut to 15 characters) is `comm`; 0 when none.
pid_t threadNamed(pid_t pid, const std::string& comm) {
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream in(task.path() / "comm");
        std::string name;
        std::getline(in, name);
        if (name == comm) {
            return static_cast<pid_t>(std::stoi(task.path().filename().string()));
        }
    }
    return 0;
}

TEST(CrashedThreads, TheReportNamesTheProgramsThreadThatCrashed) {
    struct Case {
        const char* comm;
        const char* name;
    };
    for (const Case& c :
         {Case{"Tallyvane.sampl", "Tallyvane.sampler"}, Case{"threaded-ml", "Tallyvane.audio"}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir home;
        std::string state = home.filePath("state").toStdString();
        Spawned app({"sh", "-c",
                     "exec env HOME='" + home.path().toStdString() + "' XDG_STATE_HOME='" + state +
                         "' " TALLYVANE_PROGRAM " --watch >/dev/null 2>&1"});
        pid_t thread = 0;
        ASSERT_TRUE(waitFor(10, [&] { return (thread = threadNamed(app.pid(), c.comm)) != 0; }));
        ::usleep(500'000);  // the thread has run its first steps
        ::syscall(SYS_tgkill, app.pid(), thread, SIGSEGV);
        int status = 0;
        ASSERT_TRUE(
            waitFor(10, [&] { return ::waitpid(app.pid(), &status, WNOHANG) == app.pid(); }));
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV);
        QDir reports(QString::fromStdString(state + "/TallyVane/DiagnosticReports"));
        QStringList files = reports.entryList(QDir::Files);
        ASSERT_EQ(files.size(), 1);
        std::ifstream in(reports.filePath(files[0]).toStdString());
        std::string report((std::istreambuf_iterator<char>(in)), {});
        EXPECT_NE(report.find(std::string("Crashed thread: ") + c.name + "\n"), std::string::npos)
            << report;
    }
}

}  // namespace
}  // namespace tv
