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

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    void click(const QRect& at, int button = 1) { click(at.center(), button); }
    void click(const QPoint& at, int button = 1) {
        test::outputOf(rig.inRig("xdotool mousemove " + std::to_string(at.x()) + " " +
                                 std::to_string(at.y()) + " click " + std::to_string(button)));
    }
    // The settings stored now, as lines after the INI file's group line, without `dropped`.
    std::string storedSettings(const std::string& dropped) {
        std::istringstream in(
            test::textOf(home.filePath("config/TallyVane/TallyVane.ini").toStdString()));
        std::string line, kept;
        while (std::getline(in, line)) {
            if (line != "[General]" && line.rfind(dropped + "=", 0) != 0) {
                kept += line + "\n";
            }
        }
        return kept;
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

// The docked label's right-button menu is the one the status-notifier item has, chosen
// with the pointer: open the panel, open the settings, quit.
TEST_F(DesktopTest, ARightClickOnTheDockedLabelOpensTheTrayMenu) {
    auto app = start();
    // Docked, drawn and settled in its slot (a tray may resize the slot a few times first).
    std::optional<QRect> seen;
    ASSERT_TRUE(waitFor(25, [&] {
        std::optional<QRect> now = trayItem();
        bool settled =
            now && now == seen && now->width() > 40 && inkColumns(x.grab(*now)) > now->width() / 3;
        seen = now;
        ::usleep(500'000);
        return settled;
    }));
    auto menu = [&] { return x.window("TallyVane menu"); };
    // The menu's three entries, top to bottom, as the pointer finds them.
    auto entry = [&](int i) {
        QRect m = *menu();
        return QPoint(m.center().x(), m.top() + m.height() * (2 * i + 1) / 6);
    };
    auto choose = [&](int i) {
        click(*trayItem(), 3);
        EXPECT_TRUE(waitFor(5, [&] { return menu().has_value(); })) << "the menu opens";
        if (!menu()) {
            return false;
        }
        QImage picture = x.grab(*menu());
        EXPECT_GT(inkColumns(picture), picture.width() / 4) << "it shows its entries";
        EXPECT_GE(menu()->height(), 3 * 16);
        click(entry(i));
        return waitFor(5, [&] { return !menu().has_value(); });
    };

    ASSERT_TRUE(choose(0));
    EXPECT_TRUE(waitFor(5, [&] { return panel().has_value(); })) << "Open TallyVane";
    click(*trayItem());
    ASSERT_TRUE(waitFor(5, [&] { return !panel().has_value(); }));
    ::usleep(400'000);

    ASSERT_TRUE(choose(1));
    ASSERT_TRUE(waitFor(5, [&] { return panel().has_value(); })) << "Settings";
    // The settings page, not the dashboard: no coloured health card across the top.
    EXPECT_TRUE(waitFor(3, [&] {
        if (!panel()) {
            return false;
        }
        QImage top = x.grab(panel()->adjusted(0, 0, 0, 60 - panel()->height()));
        int tinted = 0;
        for (int y = 0; y < top.height(); ++y) {
            for (int x = 0; x < top.width(); ++x) {
                QColor c(top.pixel(x, y));
                tinted += c.saturation() > 120 && c.value() > 120;
            }
        }
        return tinted < 500;
    })) << "the settings page";
    click(*trayItem());
    ASSERT_TRUE(waitFor(5, [&] { return !panel().has_value(); }));
    ::usleep(400'000);

    ASSERT_TRUE(choose(2));
    int status = -1;
    EXPECT_TRUE(waitFor(10, [&] { return ::waitpid(app->pid(), &status, WNOHANG) == app->pid(); }))
        << "Quit TallyVane";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// With the automatic check on, a newer version in the site's feed is announced with a
// notification that leads to its download page, once per version, also across restarts.
TEST_F(DesktopTest, ANewerVersionFoundByTheAutomaticCheckIsAnnouncedOncePerVersion) {
    QTemporaryDir site;
    auto feed = [&](const std::string& version) {
        std::ofstream(site.filePath("version").toStdString())
            << version << "\nhttps://tallyvane.app/releases/" << version << "\n";
    };
    feed("9.0.0");
    std::string port = site.filePath("port").toStdString();
    std::string requests = site.filePath("requests").toStdString();
    Spawned server({"python3", "-c",
                    "import http.server, os, sys\n"
                    "class H(http.server.SimpleHTTPRequestHandler):\n"
                    "    def log_message(self, *a):\n"
                    "        open(sys.argv[2], 'a').write(self.path + '\\n')\n"
                    "os.chdir(sys.argv[3])\n"
                    "s = http.server.HTTPServer(('127.0.0.1', 0), H)\n"
                    "open(sys.argv[1] + '.part', 'w').write(str(s.server_address[1]))\n"
                    "os.rename(sys.argv[1] + '.part', sys.argv[1])\n"
                    "s.serve_forever()\n",
                    port, requests, site.path().toStdString()});
    ASSERT_TRUE(waitFor(10, [&] { return !test::textOf(port).empty(); }));
    // The desktop's opener of addresses, standing in for the browser.
    std::string bin = site.filePath("bin").toStdString();
    std::string opened = site.filePath("opened").toStdString();
    ::mkdir(bin.c_str(), 0700);
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\necho \"$@\" >>" << opened << "\n";
    ::chmod((bin + "/xdg-open").c_str(), 0700);
    std::vector<std::string> environment{
        "TALLYVANE_SITE_URL=http://127.0.0.1:" + test::textOf(port) + "/",
        "PATH=" + bin + ":" + std::getenv("PATH")};
    auto announcements = [&](const std::string& version) {
        std::string shown = rig.shown();
        std::string title = "TallyVane " + version + " is out";
        int n = 0;
        for (auto at = shown.find(title); at != std::string::npos; at = shown.find(title, at + 1)) {
            ++n;
        }
        return n;
    };
    auto checks = [&] {
        std::istringstream in(test::textOf(requests));
        return static_cast<int>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
    };

    auto app = start("checkForUpdates=true\n", {}, environment);
    ASSERT_TRUE(waitFor(20, [&] { return announcements("9.0.0") == 1; })) << rig.shown();
    EXPECT_NE(rig.shown().find("Download it at https://tallyvane.app/releases/9.0.0"),
              std::string::npos)
        << rig.shown();
    rig.choose("download");
    EXPECT_TRUE(waitFor(5, [&] {
        return test::textOf(opened) == "https://tallyvane.app/releases/9.0.0\n";
    })) << test::textOf(opened);
    EXPECT_TRUE(waitFor(5, [&] { return rig.displayed() == 0; })) << "taken back once used";

    // Started again and checking again (as it would a day later): the same version is not
    // announced again; a newer one is.
    for (const char* version : {"9.0.0", "9.1.0"}) {
        app.reset();
        feed(version);
        int before = checks();
        app = start(storedSettings("updatesCheckedAt"), {}, environment);
        ASSERT_TRUE(waitFor(20, [&] { return checks() > before; })) << "checked again";
        ::sleep(2);
    }
    EXPECT_EQ(announcements("9.0.0"), 1) << rig.shown();
    EXPECT_TRUE(waitFor(10, [&] { return announcements("9.1.0") == 1; })) << rig.shown();
}

// A notification server that plays no sounds (dunst) gets the alert's sound from us: the
// desktop sound theme's message sound, not a click of the panel.
TEST_F(DesktopTest, AnAlertOnAServerWithoutSoundsPlaysTheThemesMessageSound) {
    auto sinkIn = [](const QString& folder) {
        std::string out = folder.toStdString() + "/out.raw";
        std::ofstream(folder.toStdString() + "/.asoundrc")
            << "pcm.!default { type file slave.pcm \"null\" file \"" << out
            << "\" format \"raw\" }\n";
        return out;
    };
    auto sizeOf = [](const std::string& file) {
        std::error_code ignored;
        auto size = std::filesystem::file_size(file, ignored);
        return ignored ? std::uintmax_t{0} : size;
    };
    auto settled = [&](const std::string& file) {
        std::uintmax_t last = 0;
        waitFor(10, [&] {
            std::uintmax_t now = sizeOf(file);
            bool same = now > 0 && now == last;
            last = now;
            ::usleep(500'000);
            return same;
        });
        return last;
    };
    const std::string quietly = " CANBERRA_DRIVER=alsa PULSE_SERVER=none ";

    QTemporaryDir reference;
    std::string theme = sinkIn(reference.path());
    ASSERT_EQ(std::system(("HOME=" + reference.path().toStdString() + quietly +
                           TALLYVANE_TEST_SOUND " --theme message-new-instant")
                              .c_str()),
              0);
    std::uintmax_t themeSize = settled(theme);
    std::filesystem::remove(theme);
    std::string ini = reference.filePath("TallyVane.ini").toStdString();
    std::system(("HOME=" + reference.path().toStdString() + quietly + TALLYVANE_TEST_SOUND " " +
                 ini + " Select " TALLYVANE_SOUNDS)
                    .c_str());
    std::uintmax_t clickSize = settled(theme);
    ASSERT_GT(themeSize, 2 * clickSize) << "the two sounds can be told apart";

    std::string out = sinkIn(home.path());
    auto app = start("demoPressure=4\n", {}, {"CANBERRA_DRIVER=alsa", "PULSE_SERVER=none"});
    ASSERT_TRUE(waitFor(15, [&] {
        return rig.shown().find("Memory is critical") != std::string::npos;
    })) << rig.shown();
    std::uintmax_t played = settled(out);
    EXPECT_NEAR(static_cast<double>(played), static_cast<double>(themeSize), themeSize * 0.1)
        << "the theme's message sound is " << themeSize << " bytes, a click " << clickSize;
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
    auto app = start("demoPressure=4\n", {}, {canary});
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
    std::vector<std::string> never{"value-7f3a9c", "tallyvane_test_worker",
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
