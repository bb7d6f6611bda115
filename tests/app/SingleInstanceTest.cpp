// A second start of the real program beside a first one on a private desktop: it hands over
// to a first that answers, says so and gives up on one that is hung, and the answers that
// need no tray ("--help", "--version") are given whatever runs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>

#include <fstream>

#include "support/Completed.h"
#include "support/DesktopRig.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using test::Completed;
using test::DesktopRig;
using test::Spawned;
using test::waitFor;

// Lets a process stopped by the test run again, whatever the test found.
struct ResumedAtEnd {
    pid_t pid;
    ~ResumedAtEnd() { ::kill(pid, SIGCONT); }
};

class SingleInstanceTest : public testing::Test {
  protected:
    SingleInstanceTest() {
        ::mkdir(home.filePath("run").toStdString().c_str(), 0700);
        QDir().mkpath(home.filePath("config/TallyVane"));
        // Nothing of the machine is held back by a test's instance.
        std::ofstream(home.filePath("config/TallyVane/TallyVane.ini").toStdString())
            << "[General]\nmakeWay=false\n";
    }

    std::vector<std::string> program(const std::vector<std::string>& arguments) const {
        std::vector<std::string> argv = rig.inHome(home.path().toStdString());
        argv.insert(argv.end(), {"QT_QPA_PLATFORM=xcb", TALLYVANE_PROGRAM});
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return argv;
    }

    bool ownsTheName() const {
        return test::outputOf(rig.inRig("dbus-send --session --print-reply "
                                        "--dest=org.freedesktop.DBus / "
                                        "org.freedesktop.DBus.NameHasOwner "
                                        "string:app.tallyvane.TallyVane 2>/dev/null"))
                   .find("boolean true") != std::string::npos;
    }

    QStringList reports() const {
        return QDir(home.filePath("state/TallyVane/DiagnosticReports")).entryList(QDir::Files);
    }

    DesktopRig rig{{}};
    QTemporaryDir home;
};

TEST_F(SingleInstanceTest, ASecondStartHandsOverToAnAnsweringFirstAndGivesUpOnAHungOne) {
    ASSERT_TRUE(rig.started()) << rig.failure();
    Spawned first(program({}));
    ASSERT_TRUE(waitFor(30, [&] { return ownsTheName(); })) << "the first start took no name";

    // Printed and done, without asking the running one anything.
    Completed help = test::runToEnd(program({"--help"}), 10);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--open [FOLDER]"), std::string::npos) << help.out;
    Completed version = test::runToEnd(program({"--version"}), 10);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("TallyVane ", 0), 0u) << version.out;
    EXPECT_EQ(test::runToEnd(program({"--bogus"}), 10).status, 2);

    Completed handed = test::runToEnd(program({}), 20);
    EXPECT_TRUE(handed.finished);
    EXPECT_EQ(handed.status, 0) << handed.err;
    EXPECT_EQ(handed.err, "");

    ASSERT_EQ(::kill(first.pid(), SIGSTOP), 0);
    ResumedAtEnd resume{first.pid()};
    Completed hung = test::runToEnd(program({}), 30);
    ASSERT_TRUE(hung.finished) << "the second start waits for ever";
    EXPECT_EQ(hung.signal, 0);
    EXPECT_NE(hung.status, 0);
    EXPECT_NE(hung.err.find("another TallyVane is running"), std::string::npos) << hung.err;
    EXPECT_NE(hung.err.find("not answering"), std::string::npos) << hung.err;
    EXPECT_EQ(std::count(hung.err.begin(), hung.err.end(), '\n'), 1) << hung.err;

    ::kill(first.pid(), SIGCONT);
    EXPECT_TRUE(waitFor(10, [&] { return test::processState(first.pid()) != 'T'; }));
    EXPECT_TRUE(reports().empty()) << reports().join(' ').toStdString();
}

}  // namespace
}  // namespace tv
