// The real program's command line where no desktop is: what it prints, how it ends, and that
// none of it is ever taken for a crash.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>

#include <regex>

#include "support/Completed.h"

namespace tv {
namespace {

using test::Completed;

class CommandLineTest : public testing::Test {
  protected:
    // Runs the program in a home of its own, with no display and no session bus; `settings`
    // ("K=V") are put before it on the env line.
    Completed run(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& settings = {}) {
        std::string root = home.path().toStdString();
        ::mkdir((root + "/run").c_str(), 0700);
        std::vector<std::string> argv{"env",
                                      "-u",
                                      "DISPLAY",
                                      "-u",
                                      "WAYLAND_DISPLAY",
                                      "-u",
                                      "QT_QPA_PLATFORM",
                                      "-u",
                                      "DBUS_SESSION_BUS_ADDRESS",
                                      "HOME=" + root,
                                      "XDG_CONFIG_HOME=" + root + "/config",
                                      "XDG_STATE_HOME=" + root + "/state",
                                      "XDG_RUNTIME_DIR=" + root + "/run"};
        argv.insert(argv.end(), settings.begin(), settings.end());
        argv.push_back(TALLYVANE_PROGRAM);
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return test::runToEnd(argv);
    }
    // The crash reports the runs so far left.
    QStringList reports() const {
        return QDir(home.filePath("state/TallyVane/DiagnosticReports")).entryList(QDir::Files);
    }
    QTemporaryDir home;
};

TEST_F(CommandLineTest, HelpAndVersionPrintAndEndWellWithoutADesktop) {
    for (const char* help : {"--help", "-h"}) {
        Completed ran = run({help});
        ASSERT_TRUE(ran.finished) << help;
        EXPECT_EQ(ran.signal, 0) << help;
        EXPECT_EQ(ran.status, 0) << help << ": " << ran.err;
        EXPECT_EQ(ran.err, "") << help;
        for (const char* option : {"Usage: tallyvane", "--check", "--json", "--watch",
                                   "--open [FOLDER]", "--version", "-h, --help", "tallyvane(1)"}) {
            EXPECT_NE(ran.out.find(option), std::string::npos) << help << " lacks " << option;
        }
    }
    Completed version = run({"--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_TRUE(std::regex_match(version.out, std::regex("TallyVane [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << version.out;
    // The first answer decides, whatever follows it.
    EXPECT_EQ(run({"--version", "--bogus"}).status, 0);
    EXPECT_EQ(run({"--open", "--help"}).status, 0);
    EXPECT_TRUE(reports().empty()) << reports().join(' ').toStdString();
}

TEST_F(CommandLineTest, AMistakeIsSaidOnStandardErrorWithStatusTwo) {
    struct Case {
        std::vector<std::string> arguments;
        std::string said;
    };
    for (const Case& c : std::vector<Case>{
             {{"--bogus"}, "tallyvane: unknown option '--bogus'"},
             {{"-x"}, "tallyvane: unknown option '-x'"},
             {{"--check", "--verbose"}, "tallyvane: unknown option '--verbose'"},
             {{"--bogus", "--help"}, "tallyvane: unknown option '--bogus'"},
             {{"--open", "/tmp", "later"}, "tallyvane: unexpected argument 'later'"},
             {{"captures"}, "tallyvane: unexpected argument 'captures'"},
         }) {
        Completed ran = run(c.arguments);
        ASSERT_TRUE(ran.finished) << c.said;
        EXPECT_EQ(ran.signal, 0) << c.said;
        EXPECT_EQ(ran.status, 2) << c.said;
        EXPECT_EQ(ran.out, "") << c.said;
        EXPECT_EQ(ran.err.rfind(c.said + "\n", 0), 0u) << ran.err;
        EXPECT_NE(ran.err.find("tallyvane --help"), std::string::npos) << ran.err;
    }
    EXPECT_TRUE(reports().empty()) << reports().join(' ').toStdString();
}

TEST_F(CommandLineTest, WithoutADisplayThatAnswersTheTraySaysWhatItNeedsInOneLineAndExitsOne) {
    // No display named; named ones nobody listens on; the toolkit told to use one that is not
    // there; and the capture mode, which is the tray program too.
    std::string gone = home.filePath("no-such-socket").toStdString();
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> settings;
    };
    for (const Case& c : std::vector<Case>{
             {{}, {}},
             {{}, {"DISPLAY=:4711"}},
             {{}, {"WAYLAND_DISPLAY=" + gone}},
             {{}, {"DISPLAY=:4711", "WAYLAND_DISPLAY=" + gone}},
             {{}, {"QT_QPA_PLATFORM=xcb"}},
             {{}, {"QT_QPA_PLATFORM=wayland;xcb", "DISPLAY=:4711"}},
             {{"--open", home.filePath("captures").toStdString()}, {}},
         }) {
        std::string what = c.settings.empty() ? "nothing" : c.settings.back();
        Completed ran = run(c.arguments, c.settings);
        ASSERT_TRUE(ran.finished) << what;
        EXPECT_EQ(ran.signal, 0) << what << ": " << ran.err;
        EXPECT_EQ(ran.status, 1) << what << ": " << ran.err;
        EXPECT_EQ(ran.out, "") << what;
        EXPECT_EQ(std::count(ran.err.begin(), ran.err.end(), '\n'), 1) << what << ": " << ran.err;
        for (const char* said : {"needs a desktop session", "--check", "--watch"}) {
            EXPECT_NE(ran.err.find(said), std::string::npos) << what << ": " << ran.err;
        }
    }
    EXPECT_FALSE(QDir(home.filePath("captures")).exists());

    // The toolkit failing at its own start (here: a platform it does not have) is no crash
    // either.
    Completed failed = run({}, {"QT_QPA_PLATFORM=nosuchplatform"});
    ASSERT_TRUE(failed.finished);
    EXPECT_EQ(failed.signal, 0) << failed.err;
    EXPECT_EQ(failed.status, 1) << failed.err;
    EXPECT_NE(failed.err.find("tallyvane: the desktop session could not be used"),
              std::string::npos)
        << failed.err;
    EXPECT_TRUE(reports().empty()) << reports().join(' ').toStdString();
}

}  // namespace
}  // namespace tv
