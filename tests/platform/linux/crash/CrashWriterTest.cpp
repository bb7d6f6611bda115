// The crash writer in a real child that crashes: one finished report per crash, with what a
// developer needs and nothing of the user's, and the process dies of its own signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/linux/crash/CrashHeader.h"
#include "support/FixtureTree.h"
#include "support/Spawned.h"

namespace tv::linux_os {
namespace {

namespace fs = std::filesystem;
using test::FixtureTree;

struct Crash {
    int signal = 0;               // what ended the child; 0 when it did not die of a signal
    std::vector<fs::path> files;  // everything in the reports folder afterwards
    std::string report;           // the one report's text
};

Crash crash(const FixtureTree& state, const std::string& how,
            const std::string& program = TALLYVANE_TEST_CRASHER) {
    Crash result;
    pid_t child = ::fork();
    if (child == 0) {
        ::setenv("XDG_STATE_HOME", state.root().c_str(), 1);
        ::setenv("TZ", "XST3:30", 1);  // UTC-03:30 all year
        ::execl(program.c_str(), program.c_str(), how.c_str(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator(state.root() + "/TallyVane/DiagnosticReports", error)) {
        result.files.push_back(entry.path());
    }
    if (result.files.size() == 1) {
        std::ifstream in(result.files[0]);
        result.report.assign(std::istreambuf_iterator<char>(in), {});
    }
    return result;
}

// Whether the report is named after the crash's local time in the child's zone, UTC-03:30.
bool namedAfterLocalTime(const std::string& name) {
    std::time_t now = std::time(nullptr) - (3 * 3600 + 30 * 60);
    for (int back = 0; back < 10; ++back) {
        std::time_t then = now - back;
        std::tm local{};
        ::gmtime_r(&then, &local);
        char expected[64];
        std::strftime(expected, sizeof expected, "TallyVane-%Y-%m-%d-%H%M%S.ips", &local);
        if (name == expected) {
            return true;
        }
    }
    return false;
}

TEST(CrashWriter, EachFatalCrashLeavesOneFinishedReportNamingTheCrashingFunction) {
    struct Case {
        const char* how;
        int signal;
        const char* function;
        const char* thread;
    };
    for (const Case& c : {Case{"null", SIGSEGV, "nullDereference", "main"},
                          Case{"abort", SIGABRT, "callAbort", "main"},
                          Case{"overflow", SIGSEGV, "overflowStack", "Tallyvane.worker"},
                          Case{"heap", SIGABRT, "corruptHeap", "main"},
                          Case{"both", SIGSEGV, "nullDereference", "Tallyvane.worker"}}) {
        SCOPED_TRACE(c.how);
        FixtureTree state;
        Crash result = crash(state, c.how);
        EXPECT_EQ(result.signal, c.signal);
        ASSERT_EQ(result.files.size(), 1U);
        std::string name = result.files[0].filename().string();
        EXPECT_EQ(name.rfind("TallyVane-", 0), 0U) << name;
        EXPECT_EQ(name.size(), std::string("TallyVane-2026-11-29-155004.ips").size()) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".ips") << name;
        EXPECT_TRUE(namedAfterLocalTime(name)) << name;
        const std::string& r = result.report;
        std::string signalLine =
            std::string("Signal: ") + (c.signal == SIGSEGV ? "SIGSEGV" : "SIGABRT");
        for (std::string expected :
             {signalLine, std::string("Version: 9.8.7-test"),
              std::string("Crashed thread: ") + c.thread, std::string(c.function),
              std::string("Build ID: "), std::string("Executable mappings:")}) {
            EXPECT_NE(r.find(expected), std::string::npos) << expected << "\n" << r;
        }
        // The backtrace starts where the signal struck, not in the writer.
        EXPECT_EQ(r.find("onFatalSignal"), std::string::npos) << r;
    }
}

// A program run from a folder named after its user (a build tree, an unpacked download,
// outside the home folder or in it): the report tells each module by its name and build id
// and never names a folder.
TEST(CrashWriter, ModulesAreNamedWithTheirBuildIdsAndNeverTheirFolders) {
    FixtureTree state;
    FixtureTree place;
    std::string folder = place.root() + "/builds of jane.doe";
    fs::create_directories(folder);
    std::string program = folder + "/tallyvane";
    fs::copy_file(TALLYVANE_TEST_CRASHER, program);
    Crash result = crash(state, "null", program);
    ASSERT_EQ(result.files.size(), 1U);
    const std::string& r = result.report;
    EXPECT_EQ(r.find("jane.doe"), std::string::npos) << r;
    EXPECT_EQ(r.find(place.root()), std::string::npos) << r;

    // The build id as the toolchain reads it from the file.
    auto buildIdOf = [](const std::string& file) {
        std::string notes = test::outputOf("readelf -n '" + file + "'");
        std::size_t at = notes.find("Build ID: ");
        return at == std::string::npos ? std::string()
                                       : notes.substr(at + 10, notes.find('\n', at) - at - 10);
    };
    std::string own = buildIdOf(program);
    ASSERT_FALSE(own.empty());
    std::string mappings = r.substr(r.find("Executable mappings:"));
    EXPECT_NE(mappings.find(" tallyvane " + own + "\n"), std::string::npos) << mappings;
    std::string libc = buildIdOf("/lib/x86_64-linux-gnu/libc.so.6");
    if (!libc.empty()) {
        EXPECT_NE(mappings.find(" libc.so.6 " + libc + "\n"), std::string::npos) << mappings;
    }
    EXPECT_EQ(mappings.find('/'), std::string::npos) << "a path in the mappings:\n" << mappings;
}

TEST(CrashWriter, OlderReportsAndHalfWrittenOnesGoAtStart) {
    FixtureTree state;
    const std::string folder = "TallyVane/DiagnosticReports/";
    for (const char* old : {"2020-01-01-000001", "2020-01-01-000002", "2020-01-01-000003",
                            "2020-01-01-000004", "2020-01-01-000005", "2020-01-01-000006"}) {
        state.write(folder + "TallyVane-" + old + ".ips", "old");
    }
    state.write(folder + "TallyVane-2020-01-01-000007.ips.part", "half");
    state.write(folder + "notes.txt", "not ours");
    Crash result = crash(state, "abort");
    std::vector<std::string> names;
    for (const fs::path& file : result.files) {
        names.push_back(file.filename().string());
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 6U);  // four kept, the new report, the file that is not ours
    EXPECT_EQ(names[0], "TallyVane-2020-01-01-000003.ips");
    EXPECT_EQ(names[3], "TallyVane-2020-01-01-000006.ips");
    EXPECT_EQ(names[5], "notes.txt");
}

TEST(CrashHeader, NamesTheSystemAndModelButNoSerialOrHostName) {
    FixtureTree root;
    root.write("etc/os-release",
               "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    root.write("sys/class/dmi/id/sys_vendor", "LENOVO\n");
    root.write("sys/class/dmi/id/product_name", "20XW0055GE\n");
    root.write("sys/class/dmi/id/product_serial", "PF2ABCDE\n");
    root.write("sys/class/dmi/id/product_uuid", "4c4c4544-0042\n");
    std::string header = crashHeader("1.2.3", "abc123", -5 * 3600 - 30 * 60, root.root());
    for (const char* expected :
         {"Version: 1.2.3\n", "Build ID: abc123\n",
          "Distribution: Debian GNU/Linux 12 (bookworm)\n", "Model: LENOVO 20XW0055GE\n",
          "UTC offset: -05:30\n", "Kernel: Linux "}) {
        EXPECT_NE(header.find(expected), std::string::npos) << expected << "\n" << header;
    }
    char host[256] = {};
    ::gethostname(host, sizeof host);
    for (const std::string& never :
         {std::string("PF2ABCDE"), std::string("4c4c4544"), std::string(host)}) {
        EXPECT_EQ(header.find(never), std::string::npos) << never;
    }
    EXPECT_NE(crashHeader("1", "", 0, root.root() + "/nowhere").find("Model: unknown\n"),
              std::string::npos);
    EXPECT_EQ(ownBuildId().size(), 40U) << "a GNU build id is a SHA-1";
}

}  // namespace
}  // namespace tv::linux_os
