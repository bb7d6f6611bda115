// The panel on a private desktop: opened with a real click on the tray item, photographed in
// the light and dark looks, read through the accessibility bus as a screen reader does, and
// used with real clicks on real processes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QDir>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>

#include "support/DesktopRig.h"
#include "support/EventLoop.h"
#include "support/FakePortal.h"
#include "support/LoopbackHttp.h"
#include "support/Pixels.h"
#include "support/Spawned.h"
#include "support/XInspect.h"

namespace tv {
namespace {

using test::DesktopRig;
using test::Spawned;
using test::spin;

// One element of the accessible tree.
struct Element {
    std::string role;
    std::string name;
    QRect box;
};

int lightness(QRgb pixel) {
    return QColor(pixel).lightness();
}

// The accessible tree of TallyVane on `rig`'s desktop, read from outside.
std::vector<Element> treeOf(const DesktopRig& rig) {
    std::string out = test::outputOf(rig.inRig(std::string("timeout 30 /usr/bin/python3 ") +
                                               TALLYVANE_ATSPI_TREE + " tallyvane"));
    std::vector<Element> elements;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) {
            f.push_back(field);
        }
        f.resize(7);
        QRect box;
        if (!f[3].empty() && !f[6].empty()) {
            box = QRect(std::stoi(f[3]), std::stoi(f[4]), std::stoi(f[5]), std::stoi(f[6]));
        }
        elements.push_back({f[1], f[2], box});
    }
    return elements;
}

class PanelDesktopTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.started()) << "the desktop rig did not start";
        ASSERT_TRUE(x.connected());
        ::mkdir(home.filePath("run").toStdString().c_str(), 0700);
        QDir().mkpath(QStringLiteral(TALLYVANE_SHOTS));
    }

    // Whatever a test did, from outside or through the accessibility bus, the program did not
    // crash doing it: the crash writer would have left its report in the user's state folder.
    void TearDown() override {
        QDir reports(home.filePath("state/TallyVane/DiagnosticReports"));
        for (const QString& name : reports.entryList(QDir::Files)) {
            std::string text = test::textOf(reports.filePath(name).toStdString());
            EXPECT_NE(text.rfind("TallyVane crash report", 0), 0U) << text.substr(0, 2500);
        }
    }

    std::unique_ptr<Spawned> start(const std::string& settings = "",
                                   const std::string& argument = "") {
        std::string config = home.filePath("config").toStdString();
        QDir().mkpath(QString::fromStdString(config + "/TallyVane"));
        std::ofstream(config + "/TallyVane/TallyVane.ini") << "[General]\n" << settings;
        std::vector<std::string> argv = rig.inHome(home.path().toStdString());
        argv.insert(argv.end(), {"QT_QPA_PLATFORM=xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
        argv.insert(argv.end(), environment.begin(), environment.end());
        argv.push_back(TALLYVANE_PROGRAM);
        if (!argument.empty()) {
            argv.push_back(argument);
        }
        return std::make_unique<Spawned>(argv);
    }

    // Further VARIABLE=value settings for the next start.
    std::vector<std::string> environment;

    std::optional<QRect> panel() { return x.window("TallyVane panel"); }
    void click(const QPoint& at) {
        test::outputOf(rig.inRig("xdotool mousemove " + std::to_string(at.x()) + " " +
                                 std::to_string(at.y()) + " click 1"));
    }
    void pointAt(const QPoint& at) {
        test::outputOf(rig.inRig("xdotool mousemove " + std::to_string(at.x()) + " " +
                                 std::to_string(at.y())));
    }

    // Clicks the tray item once it shows the label and waits for the panel's reveal.
    bool openPanel() {
        // The tray shows the item once it has taken it in.
        if (!spin(40, [&] {
                auto item = x.window("TallyVane", "panel");
                return item && item->width() > item->height() && item->left() < 1280 &&
                       item->left() >= 0;
            })) {
            auto item = x.window("TallyVane", "panel");
            ADD_FAILURE() << "the tray item never came into view: "
                          << (item ? std::to_string(item->x()) + "," + std::to_string(item->y()) +
                                         " " + std::to_string(item->width()) + "x" +
                                         std::to_string(item->height())
                                   : std::string("none"));
            return false;
        }
        bool shown = false;
        // A click while the program is still setting up can go unanswered; a person clicks
        // again.
        for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
            // Where a loaded tray has not yet made room for the whole item, its visible edge
            // is clicked.
            QRect item = *x.window("TallyVane", "panel");
            click(QPoint(std::min(item.center().x(), 1278), item.center().y()));
            shown = spin(4, [&] { return panel().has_value(); });
        }
        spin(1.2, [] { return false; });
        return shown;
    }

    // The accessible tree of TallyVane, read from outside.
    std::vector<Element> tree() { return treeOf(rig); }
    std::optional<Element> find(const std::function<bool(const Element&)>& matches) {
        for (const Element& e : tree()) {
            if (matches(e)) {
                return e;
            }
        }
        return std::nullopt;
    }
    // Presses the named control through its accessible action, as a screen reader does.
    bool press(const std::string& name) {
        return test::outputOf(rig.inRig(std::string("timeout 30 /usr/bin/python3 ") +
                                        TALLYVANE_ATSPI_TREE + " tallyvane --press '" + name +
                                        "' && echo pressed"))
                   .find("pressed") != std::string::npos;
    }
    std::optional<Element> named(const std::string& name) {
        return find([&](const Element& e) { return e.name == name; });
    }
    static bool startsWith(const std::string& s, const std::string& prefix) {
        return s.rfind(prefix, 0) == 0;
    }

    DesktopRig rig{{"wm", "tray", "notifications", "atspi"}};
    test::XInspect x{rig.env("DISPLAY")};
    QTemporaryDir home;
};

TEST_F(PanelDesktopTest, AClickShowsEverySectionInTheDesktopsLookReadableFromOutside) {
    test::FakePortal portal(rig.env("DBUS_SESSION_BUS_ADDRESS"), 2);
    ASSERT_TRUE(portal.registered());
    Spawned busy({TALLYVANE_TEST_WORKER, "1", "busy", "600"});
    auto app = start();
    ASSERT_TRUE(openPanel());
    QRect open = *panel();
    EXPECT_EQ(open.width(), 360);
    EXPECT_GT(open.height(), 600) << "card, rows, details, app list and footer";
    QImage light = x.grab(open);
    light.save(QStringLiteral(TALLYVANE_SHOTS "/panel-light.png"));
    EXPECT_GT(lightness(light.pixel(4, open.height() - 4)), 200) << "the light look";
    EXPECT_GT(test::cardPixels(light.copy(0, 0, 360, 80)), 5000) << "the coloured health card";

    std::vector<Element> elements = tree();
    std::vector<std::string> rows, buttons;
    bool workerRow = false;
    for (const Element& e : elements) {
        for (const char* title : {"CPU ", "Memory ", "GPU ", "Heat "}) {
            if (startsWith(e.name, title) && e.role == "push button") {
                rows.push_back(title);
            }
        }
        if (e.role == "push button") {
            buttons.push_back(e.name);
        }
        if (e.role == "push button" || e.role == "scroll bar" || e.role == "check box") {
            EXPECT_FALSE(e.name.empty()) << "every control is named: a " << e.role;
        }
        workerRow = workerRow || startsWith(e.name, "tallyvane_test_worker ");
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"CPU ", "Memory ", "GPU ", "Heat "}))
        << test::outputOf("true");
    EXPECT_TRUE(workerRow) << "the app rows are named with their values";
    for (const char* footer : {"Settings", "Quit TallyVane"}) {
        EXPECT_NE(std::find(buttons.begin(), buttons.end(), footer), buttons.end()) << footer;
    }

    portal.setScheme(1);
    EXPECT_TRUE(spin(5, [&] {
        return lightness(x.grab(*panel()).pixel(4, panel()->height() - 4)) < 80;
    })) << "the panel follows the desktop into the dark look";
    spin(0.5, [] { return false; });
    x.grab(*panel()).save(QStringLiteral(TALLYVANE_SHOTS "/panel-dark.png"));

    test::outputOf(rig.inRig("xdotool key Escape"));
    EXPECT_TRUE(spin(5, [&] { return !panel().has_value(); })) << "Escape closes the panel";
}

TEST_F(PanelDesktopTest, ResumingAPausedAppLetsItRunWhileTheTroubleLasts) {
    Spawned front({"env", "DISPLAY=" + rig.env("DISPLAY"), TALLYVANE_TEST_FRONT});
    ASSERT_TRUE(spin(5, [&] { return x.window("Front").has_value(); }));
    Spawned big({TALLYVANE_TEST_WORKER, "1", "busy", "600"});
    // Opened to stay, as when started with the panel open.
    auto app = start("demoPressure=4\n", "--open");
    ASSERT_TRUE(spin(40, [&] { return test::processState(big.pid()) == 'T'; }));
    ASSERT_TRUE(spin(8, [&] { return panel().has_value(); }));
    spin(1.2, [] { return false; });
    // The alerts sit over the screen's top right corner; put them away as a user would.
    test::outputOf(rig.inRig("dunstctl close-all"));
    x.grab(panel()->intersected(QRect(0, 0, 1280, 800)))
        .save(QStringLiteral(TALLYVANE_SHOTS "/panel-held.png"));

    auto paused = find([](const Element& e) { return e.name == "tallyvane_test_worker, Paused"; });
    ASSERT_TRUE(paused) << "the held list shows it paused";
    // A screen reader meets only what is shown: one held app offers no "Resume all", and no
    // confirmation or quit state that is not on screen is in the tree.
    for (const Element& e : tree()) {
        for (const char* hidden : {"Resume all", "Cancel", "Quit", "Quitting\u2026"}) {
            EXPECT_NE(e.name, hidden) << "a " << e.role << " that is not shown";
        }
        EXPECT_FALSE(startsWith(e.name, "Quit tallyvane_test")) << e.name;
        if (e.role == "push button") {
            EXPECT_FALSE(e.box.isEmpty()) << e.name << " is in the tree but not on screen";
        }
    }
    // Read until it is laid out: on a loaded machine the row can still be coming in.
    std::optional<Element> resume;
    ASSERT_TRUE(spin(5, [&] {
        resume = find([](const Element& e) {
            return e.role == "push button" && e.name == "Resume tallyvane_test_worker" &&
                   !e.box.isEmpty();
        });
        return resume.has_value();
    }));
    test::outputOf(rig.inRig("dunstctl close-all"));
    click(resume->box.center());
    EXPECT_TRUE(spin(3, [&] { return test::processState(big.pid()) != 'T'; }));
    EXPECT_TRUE(spin(5,
                     [&] {
                         return !find([](const Element& e) {
                             return e.name == "tallyvane_test_worker, Paused";
                         });
                     }))
        << "resumed " << resume->box.x() << "," << resume->box.y();
    for (int i = 0; i < 60; ++i) {
        ASSERT_NE(test::processState(big.pid()), 'T') << "not paused again while trouble lasts";
        spin(0.1, [] { return false; });
    }
}

TEST_F(PanelDesktopTest, QuittingFromAnAppRowEndsTheRealProcess) {
    // An installed app the worker is recognised as.
    QDir().mkpath(home.filePath("data/applications"));
    std::ofstream(home.filePath("data/applications/worker.desktop").toStdString())
        << "[Desktop Entry]\nType=Application\nName=Worker\nExec=" << TALLYVANE_TEST_WORKER
        << " %U\n";
    Spawned worker({TALLYVANE_TEST_WORKER, "1", "idle", "400"});
    auto app = start();
    ASSERT_TRUE(openPanel());
    // Rows are replaced as samples come in: one read while its row is being replaced finds
    // no box for it.
    std::optional<Element> row;
    ASSERT_TRUE(spin(10, [&] {
        row = find(
            [](const Element& e) { return startsWith(e.name, "Worker ") && !e.box.isEmpty(); });
        return row.has_value();
    })) << "the worker's row";
    EXPECT_FALSE(named("Quit Worker")) << "the close button shows only under the pointer";
    pointAt(row->box.center());
    auto close = find([](const Element& e) { return e.name == "Quit Worker"; });
    ASSERT_TRUE(spin(5, [&] {
        close = find([](const Element& e) { return e.name == "Quit Worker" && !e.box.isEmpty(); });
        return close.has_value();
    })) << "hovering a quittable row turns its icon into a close button";
    click(close->box.center());
    std::optional<Element> confirm;
    ASSERT_TRUE(spin(5, [&] {
        confirm = find([&](const Element& e) {
            return e.role == "push button" && e.name == "Quit" && row->box.contains(e.box.center());
        });
        return confirm.has_value();
    }));
    click(confirm->box.center());
    int status = 0;
    EXPECT_TRUE(spin(5, [&] { return ::waitpid(worker.pid(), &status, WNOHANG) == worker.pid(); }))
        << "the worker got the desktop's polite quit";
}

TEST_F(PanelDesktopTest, FooterOffersTheCrashRunsTheSpeedTestAndOpensTheSettings) {
    test::FakePortal portal(rig.env("DBUS_SESSION_BUS_ADDRESS"), 2);
    ASSERT_TRUE(portal.registered());
    // A crash report written after the first launch, as the crash writer leaves it.
    QString reports = home.filePath("state/TallyVane/DiagnosticReports");
    QDir().mkpath(reports);
    std::ofstream((reports + "/TallyVane-2026-03-01-101500.ips").toStdString()) << "report\n";
    // The speed test's configuration server answers when the test says, then with a failure.
    test::LoopbackHttp config;
    config.holding = true;
    config.status = 503;
    environment.push_back("TALLYVANE_SPEED_CONFIG_URL=" + config.url().toString().toStdString() +
                          "config");
    // Opened to stay, as when started with the panel open.
    auto app = start("firstLaunch=2026-01-01T00:00:00.000Z\n", "--open");
    ASSERT_TRUE(spin(20, [&] { return panel().has_value(); }));
    spin(1.2, [] { return false; });
    EXPECT_TRUE(spin(5, [&] { return named("TallyVane quit unexpectedly").has_value(); }))
        << "the footer offers the report";
    // A healthy machine, used for months: the rating request follows the crash offer.
    auto crash = named("TallyVane quit unexpectedly");
    auto ask = named("Enjoying TallyVane?");
    ASSERT_TRUE(crash && ask);
    EXPECT_LT(crash->box.y(), ask->box.y());
    QRect screen(0, 0, 1280, 800);
    x.grab(panel()->intersected(screen)).save(QStringLiteral(TALLYVANE_SHOTS "/footer-light.png"));
    portal.setScheme(1);
    spin(1, [] { return false; });
    x.grab(panel()->intersected(screen)).save(QStringLiteral(TALLYVANE_SHOTS "/footer-dark.png"));

    // While the tool waits for its configuration the counter runs in place of the button;
    // a server that then fails the tool gives the failure line.
    ASSERT_TRUE(press("Test speed"));
    EXPECT_TRUE(spin(5, [&] {
        return find([](const Element& e) { return startsWith(e.name, "Testing "); }).has_value();
    }));
    EXPECT_FALSE(named("Test speed").has_value()) << "the button gives way to the counter";
    EXPECT_TRUE(spin(5, [&] { return !config.requests.empty(); }));
    // The tool, waiting on its configuration, runs in the environment the program was given,
    // without what the program told its own toolkit.
    std::vector<pid_t> children = test::descendantsOf(app->pid());
    EXPECT_FALSE(children.empty()) << "the tool runs";
    for (pid_t child : children) {
        std::string inherited = test::textOf("/proc/" + std::to_string(child) + "/environ");
        EXPECT_EQ(inherited.find("QT_XCB_NO_MITSHM"), std::string::npos) << test::commOf(child);
        EXPECT_NE(inherited.find("QT_QPA_PLATFORM=xcb"), std::string::npos)
            << "what the program was given, it passes on";
    }
    config.answerHeld();
    EXPECT_TRUE(spin(25, [&] {
        return named("Speed test failed. Check your connection.").has_value();
    })) << "a failed test says so";
    // The failure line comes in with the footer growing: clicked once it has settled.
    spin(1.2, [] { return false; });

    // Clicked where it stands still, as a user clicks it: read twice in the same place.
    std::optional<Element> settings;
    ASSERT_TRUE(spin(10, [&] {
        auto now = find([](const Element& e) {
            return e.role == "push button" && e.name == "Settings" && !e.box.isEmpty();
        });
        bool still = now && settings && now->box == settings->box;
        settings = now;
        return still;
    })) << "the Settings button keeps still";
    ASSERT_TRUE(QRect(0, 0, 1280, 800).contains(settings->box.center()));
    click(settings->box.center());
    std::optional<Element> makeWay;
    ASSERT_TRUE(spin(10, [&] {
        makeWay = find([](const Element& e) {
            return e.name == "Make way for the app you're using" && e.role != "label" &&
                   !e.box.isEmpty();
        });
        return makeWay.has_value();
    })) << "the settings page took the panel";
    spin(1, [] { return false; });
    x.grab(panel()->intersected(screen)).save(QStringLiteral(TALLYVANE_SHOTS "/settings-dark.png"));
    portal.setScheme(2);
    spin(1, [] { return false; });
    x.grab(panel()->intersected(screen))
        .save(QStringLiteral(TALLYVANE_SHOTS "/settings-light.png"));
    click(makeWay->box.center());
    QString ini = home.filePath("config/TallyVane/TallyVane.ini");
    auto stored = [&] { return test::textOf(ini.toStdString()); };
    EXPECT_TRUE(spin(5, [&] { return stored().find("makeWay=false") != std::string::npos; }))
        << stored();

    test::outputOf(rig.inRig("xdotool key Escape"));
    EXPECT_TRUE(spin(5, [&] { return named("Test speed").has_value() && panel().has_value(); }))
        << "Escape leads back to the dashboard, the panel stays";
}

// A laptop's 1366 x 768 screen with the tray along the top: the panel is whole on it, its
// footer in view without scrolling, the app list giving up the rows that do not fit.
TEST(SmallScreenPanelTest, ThePanelIsWholeOnA768PixelScreen) {
    ::setenv("TALLYVANE_RIG_SCREEN", "1366x768x24", 1);
    DesktopRig rig{{"wm", "tray", "atspi"}};
    ::unsetenv("TALLYVANE_RIG_SCREEN");
    ASSERT_TRUE(rig.started()) << "the desktop rig did not start";
    test::XInspect x{rig.env("DISPLAY")};
    ASSERT_TRUE(x.connected());
    QTemporaryDir home;
    ::mkdir(home.filePath("run").toStdString().c_str(), 0700);
    std::vector<std::string> argv = rig.inHome(home.path().toStdString());
    argv.insert(argv.end(), {"QT_QPA_PLATFORM=xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1",
                             TALLYVANE_PROGRAM, "--open"});
    Spawned app(argv);
    std::optional<QRect> panel;
    ASSERT_TRUE(spin(20, [&] { return (panel = x.window("TallyVane panel")).has_value(); }));
    spin(1.5, [] { return false; });
    panel = x.window("TallyVane panel");
    ASSERT_TRUE(panel);
    EXPECT_LE(panel->bottom(), 767) << "the panel is on the screen";
    std::optional<Element> quit;
    ASSERT_TRUE(spin(10, [&] {
        for (const Element& e : treeOf(rig)) {
            if (e.name == "Quit TallyVane" && e.role == "push button") {
                quit = e;
            }
        }
        return quit.has_value();
    }));
    EXPECT_TRUE(panel->contains(quit->box))
        << "the footer is in view: Quit TallyVane at y " << quit->box.y() << ", the panel ends at "
        << panel->bottom();
}

}  // namespace
}  // namespace tv
