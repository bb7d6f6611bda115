// TallyVane itself on a private desktop: Xvfb with a window manager, a tray and a
// notification server, looked at and clicked from outside.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <fstream>
#include <sstream>

#include "support/DesktopRig.h"
#include "support/Spawned.h"
#include "support/XInspect.h"

namespace tv {
namespace {

using test::DesktopRig;
using test::Spawned;
using test::waitFor;
using test::XInspect;

int inkColumns(const QImage& image) {
    // Columns holding something other than the tray's background (the top-left pixel).
    QRgb background = image.pixel(0, 0);
    int columns = 0;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixel(x, y) != background) {
                ++columns;
                break;
            }
        }
    }
    return columns;
}

class DesktopTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.started()) << "the desktop rig did not start";
        ASSERT_TRUE(x.connected());
        ::mkdir(home.filePath("run").toStdString().c_str(), 0700);
    }

    // Starts the program in the rig with its own home, settings and runtime folder.
    std::unique_ptr<Spawned> start(const std::string& settings = "",
                                   const std::vector<std::string>& extra = {},
                                   const std::vector<std::string>& environment = {}) {
        std::string config = home.filePath("config").toStdString();
        ::mkdir(config.c_str(), 0700);
        ::mkdir((config + "/TallyVane").c_str(), 0700);
        std::ofstream(config + "/TallyVane/TallyVane.ini") << "[General]\n" << settings;
        std::vector<std::string> argv{
            "env",
            "DISPLAY=" + rig.env("DISPLAY"),
            "DBUS_SESSION_BUS_ADDRESS=" + rig.env("DBUS_SESSION_BUS_ADDRESS"),
            "HOME=" + home.path().toStdString(),
            "XDG_CONFIG_HOME=" + home.filePath("config").toStdString(),
            "XDG_RUNTIME_DIR=" + home.filePath("run").toStdString(),
            "QT_QPA_PLATFORM=xcb"};
        argv.insert(argv.end(), environment.begin(), environment.end());
        argv.push_back(TALLYVANE_PROGRAM);
        argv.insert(argv.end(), extra.begin(), extra.end());
        return std::make_unique<Spawned>(argv);
    }

    std::optional<QRect> trayItem() { return x.window("TallyVane", "panel"); }
    std::optional<QRect> panel() { return x.window("TallyVane panel"); }
    void click(const QRect& at) {
        test::outputOf(rig.inRig("xdotool mousemove " + std::to_string(at.center().x()) + " " +
                                 std::to_string(at.center().y()) + " click 1"));
    }

    DesktopRig rig{{"wm", "tray", "notifications"}};
    XInspect x{rig.env("DISPLAY")};
    // A program that draws on the rig's display.
    std::unique_ptr<Spawned> onDisplay(const std::string& program,
                                       const std::vector<std::string>& args = {}) {
        std::vector<std::string> argv{"env", "DISPLAY=" + rig.env("DISPLAY"), program};
        argv.insert(argv.end(), args.begin(), args.end());
        return std::make_unique<Spawned>(argv);
    }

    QTemporaryDir home;
};

TEST_F(DesktopTest, TheTrayShowsTheWholeLabelThatFollowsTheReadingsAndClicksOpenThePanel) {
    auto app = start();
    ASSERT_TRUE(waitFor(25,
                        [&] {
                            auto item = trayItem();
                            return item && item->width() > 3 * item->height() &&
                                   inkColumns(x.grab(*item)) > item->width() / 3;
                        }))
        << (trayItem()
                ? std::to_string(trayItem()->width()) + "x" + std::to_string(trayItem()->height()) +
                      " ink " + std::to_string(inkColumns(x.grab(*trayItem())))
                : std::string("no item"));
    QRect item = *trayItem();
    QImage first = x.grab(item);
    // Each half of the slot shows part of the label.
    EXPECT_GT(inkColumns(first.copy(0, 0, item.width() / 2, item.height())), 10);
    EXPECT_GT(inkColumns(first.copy(item.width() / 2, 0, item.width() / 2, item.height())), 10);

    Spawned busy({TALLYVANE_TEST_WORKER, "2", "busy"});
    EXPECT_TRUE(waitFor(8, [&] { return x.grab(*trayItem()) != first; }))
        << "the label is redrawn as readings change";

    click(*trayItem());
    ASSERT_TRUE(waitFor(5, [&] { return panel().has_value(); }));
    QRect open = *panel();
    EXPECT_EQ(open.width(), 360);
    EXPECT_GE(open.top(), item.bottom()) << "under the item";
    EXPECT_LE(open.left(), item.right());
    EXPECT_GE(open.right(), item.left());

    click(*trayItem());
    EXPECT_TRUE(waitFor(5, [&] { return !panel().has_value(); }));
    ::usleep(400'000);
    click(*trayItem());
    EXPECT_TRUE(waitFor(5, [&] { return panel().has_value(); })) << "a fresh panel";
}

TEST_F(DesktopTest, ClickingANotificationOpensThePanel) {
    auto app = start("demoPressure=4\n");
    ASSERT_TRUE(waitFor(15, [&] {
        return rig.shown().find("Memory is critical") != std::string::npos;
    })) << rig.shown();
    EXPECT_FALSE(panel().has_value());
    rig.choose("default");
    EXPECT_TRUE(waitFor(5, [&] { return panel().has_value(); }));
}

TEST_F(DesktopTest, MemoryRunningOutPausesTheBigBackgroundAppAndQuittingLetsItGo) {
    auto front = onDisplay(TALLYVANE_TEST_FRONT);
    ASSERT_TRUE(waitFor(5, [&] { return x.window("Front").has_value(); }));
    Spawned big({TALLYVANE_TEST_WORKER, "1", "busy", "600"});
    auto app = start("demoPressure=4\n");

    // Paused in beats: stopped four seconds in every five.
    EXPECT_TRUE(waitFor(20, [&] { return test::processState(big.pid()) == 'T'; }))
        << "in front: " << test::outputOf(rig.inRig("xprop -root _NET_ACTIVE_WINDOW"))
        << ", front window " << front->pid();
    EXPECT_TRUE(waitFor(10, [&] {
        return rig.shown().find("Paused tallyvane_test_worker so memory can recover") !=
               std::string::npos;
    })) << rig.shown();
    EXPECT_NE(rig.shown().find("Memory is critical"), std::string::npos) << rig.shown();

    // Even with its watchdog stopped, the next hold change and SIGTERM go through at once.
    for (pid_t pid : test::descendantsOf(app->pid())) {
        if (test::outputOf("tr '\\0' ' ' </proc/" + std::to_string(pid) + "/cmdline")
                .find("--watchdog") != std::string::npos) {
            ::kill(pid, SIGSTOP);
        }
    }
    ::usleep(1'500'000);
    auto ending = std::chrono::steady_clock::now();
    ::kill(app->pid(), SIGTERM);
    int status = 0;
    EXPECT_TRUE(waitFor(10, [&] { return ::waitpid(app->pid(), &status, WNOHANG) == app->pid(); }));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - ending).count(),
              1.0);
    EXPECT_TRUE(WIFEXITED(status)) << "ended normally, not by the signal";
    EXPECT_EQ(rig.displayed(), 0) << "no alert of ours outlives us: " << rig.shown();
    for (int i = 0; i < 10; ++i) {
        EXPECT_NE(test::processState(big.pid()), 'T') << "running normally afterwards";
        ::usleep(100'000);
    }
}

TEST_F(DesktopTest, ACrashWritesOneReportOfNothingPersonalAndThePausedAppRunsAgain) {
    auto front = onDisplay(TALLYVANE_TEST_FRONT);
    ASSERT_TRUE(waitFor(5, [&] { return x.window("Front").has_value(); }));
    Spawned big({TALLYVANE_TEST_WORKER, "1", "busy", "600"});
    const std::string canary = "CANARY=value-7f3a9c";
    auto app = start("demoPressure=4\n", {"--argument-5e1d0b"}, {canary});
    ASSERT_TRUE(waitFor(30, [&] { return test::processState(big.pid()) == 'T'; }));

    ::kill(app->pid(), SIGSEGV);
    auto killed = std::chrono::steady_clock::now();
    int status = 0;
    ASSERT_TRUE(waitFor(10, [&] { return ::waitpid(app->pid(), &status, WNOHANG) == app->pid(); }));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV) << "died of its own signal";
    ASSERT_TRUE(waitFor(3, [&] { return test::processState(big.pid()) != 'T'; }));
    EXPECT_LE(std::chrono::duration<double>(std::chrono::steady_clock::now() - killed).count(), 1.5)
        << "the watchdog lets the paused app go";

    QDir reports(home.filePath(".local/state/TallyVane/DiagnosticReports"));
    QStringList files = reports.entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1) << files.join(' ').toStdString();
    ASSERT_TRUE(files[0].startsWith("TallyVane-") && files[0].endsWith(".ips"));
    std::ifstream in(reports.filePath(files[0]).toStdString());
    std::string report((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(report.find("Signal: SIGSEGV (11)"), std::string::npos) << report;
    EXPECT_NE(report.find("Code: SI_USER"), std::string::npos) << report;
    std::vector<std::string> never{"value-7f3a9c", "argument-5e1d0b", "tallyvane_test_worker",
                                   home.path().toStdString(), rig.env("DBUS_SESSION_BUS_ADDRESS")};
    if (const passwd* user = ::getpwuid(::getuid())) {
        never.emplace_back(user->pw_name);
    }
    if (const char* realHome = std::getenv("HOME")) {
        never.emplace_back(realHome);
    }
    for (const std::string& text : never) {
        EXPECT_EQ(report.find(text), std::string::npos) << text << "\n" << report;
    }
}

TEST_F(DesktopTest, ASmallTerminalInFrontLetsTheBigBackgroundAppPauseAndACrashLetsItGo) {
    // A terminal is small and idle: it is in no list of apps, yet it is where the user works.
    auto terminal = onDisplay("xterm", {"-T", "Terminal", "-e", "sleep 600"});
    ASSERT_TRUE(waitFor(20, [&] {
        return test::outputOf(rig.inRig("wmctrl -a Terminal && echo done")) == "done";
    }));
    Spawned big({TALLYVANE_TEST_WORKER, "1", "busy", "600"});
    auto app = start("demoPressure=4\n");

    // Paused in beats: stopped, running for a moment, stopped again.
    ASSERT_TRUE(waitFor(20, [&] { return test::processState(big.pid()) == 'T'; }))
        << "in front: " << test::outputOf(rig.inRig("xprop -root _NET_ACTIVE_WINDOW"))
        << ", terminal " << terminal->pid();
    EXPECT_TRUE(waitFor(6, [&] { return test::processState(big.pid()) != 'T'; }));
    EXPECT_TRUE(waitFor(6, [&] { return test::processState(big.pid()) == 'T'; }));

    // Killed outright (and reaped, as its launcher would), TallyVane leaves its watchdog to let
    // the app go.
    ::kill(app->pid(), SIGKILL);
    ::waitpid(app->pid(), nullptr, 0);
    EXPECT_TRUE(waitFor(1.5, [&] { return test::processState(big.pid()) != 'T'; }));
    for (int i = 0; i < 10; ++i) {
        EXPECT_NE(test::processState(big.pid()), 'T') << "stays running";
        ::usleep(200'000);
    }
}

}  // namespace
}  // namespace tv
