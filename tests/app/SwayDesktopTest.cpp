// TallyVane on sway with waybar's tray, run as the desktop's own user and looked at from
// outside: the label in the bar, the panel placed where the tray was clicked, and make way
// with a native Wayland window in front.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

#include "platform/linux/focus/ForeignToplevelFrontApp.h"
#include "platform/linux/focus/FrontAppChoice.h"
#include "support/DesktopRig.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using test::DesktopRig;
using test::Spawned;
using test::waitFor;

std::optional<QJsonObject> nodeNamed(const QJsonObject& node, const QString& name) {
    if (node.value("name").toString() == name) {
        return node;
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node.value(children).toArray()) {
            if (auto found = nodeNamed(child.toObject(), name)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

QRect rectOf(const QJsonObject& node) {
    QJsonObject r = node.value("rect").toObject();
    return {r.value("x").toInt(), r.value("y").toInt(), r.value("width").toInt(),
            r.value("height").toInt()};
}

class SwayDesktopTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { rig = new DesktopRig({"waybar"}, TALLYVANE_SWAY_RIG); }
    static void TearDownTestSuite() {
        delete rig;
        rig = nullptr;
    }
    void SetUp() override {
        if (!rig->started()) {
            GTEST_SKIP() << "sway did not start here: " << rig->failure();
        }
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(busName); }

    // A program run as the desktop's user, in its session.
    std::unique_ptr<Spawned> asUser(std::vector<std::string> argv) {
        argv.insert(argv.begin(), rig->asUser());
        return std::make_unique<Spawned>(argv);
    }
    std::string swaymsg(const std::string& arguments) {
        return test::outputOf(rig->asUser() + " swaymsg " + arguments);
    }
    // A terminal in front running a big busy program (the user's work): the terminal and the
    // program's pid.
    void workInFront(std::unique_ptr<Spawned>& terminal, std::optional<pid_t>& front);
    void expectOnlyTheBackgroundAppPaused(const std::vector<std::string>& environment,
                                          const std::string& source);
    void expectPausedAtOnceOnTrouble(bool panel);
    std::unique_ptr<Spawned> start(const std::string& settings = "",
                                   const std::vector<std::string>& environment = {},
                                   const std::vector<std::string>& arguments = {}) {
        store(settings);
        std::vector<std::string> argv{"env"};
        argv.insert(argv.end(), environment.begin(), environment.end());
        argv.push_back(TALLYVANE_PROGRAM);
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return asUser(argv);
    }
    // Replaces the stored settings, as the desktop's user.
    void store(const std::string& settings) {
        std::string folder = rig->env("HOME") + "/.config/TallyVane";
        test::outputOf(rig->asUser() + " sh -c \"mkdir -p " + folder + " && printf '[General]\\n" +
                       settings + "' >" + folder + "/TallyVane.ini\"");
    }

    std::optional<QRect> window(const QString& name) {
        QJsonObject tree =
            QJsonDocument::fromJson(QByteArray::fromStdString(swaymsg("-t get_tree"))).object();
        auto node = nodeNamed(tree, name);
        return node ? std::optional(rectOf(*node)) : std::nullopt;
    }
    // The usable area of the workspace: the output less the bar.
    QRect workArea() {
        QJsonArray spaces =
            QJsonDocument::fromJson(QByteArray::fromStdString(swaymsg("-t get_workspaces")))
                .array();
        return spaces.isEmpty() ? QRect() : rectOf(spaces.first().toObject());
    }

    // The item's bus name as waybar's watcher knows it; empty until it registered.
    std::string item() {
        QDBusMessage m = QDBusMessage::createMethodCall("org.kde.StatusNotifierWatcher",
                                                        "/StatusNotifierWatcher",
                                                        "org.freedesktop.DBus.Properties", "Get");
        m.setArguments({"org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems"});
        QDBusMessage reply = bus.call(m, QDBus::Block, 2000);
        QStringList items =
            reply.arguments().isEmpty()
                ? QStringList()
                : reply.arguments().first().value<QDBusVariant>().variant().toStringList();
        return items.isEmpty() ? std::string() : items.first().section('/', 0, 0).toStdString();
    }
    // The label's picture at 1x as the item offers it (ARGB32, network byte order), and the
    // columns it has ink in; an empty picture until it answers.
    struct Label {
        QSize size;
        int inkColumns = 0;
    };
    Label label(const std::string& service) {
        QDBusMessage m =
            QDBusMessage::createMethodCall(QString::fromStdString(service), "/StatusNotifierItem",
                                           "org.freedesktop.DBus.Properties", "Get");
        m.setArguments({"org.kde.StatusNotifierItem", "IconPixmap"});
        QDBusMessage reply = bus.call(m, QDBus::Block, 2000);
        if (reply.arguments().isEmpty()) {
            return {};
        }
        const QDBusArgument icons =
            reply.arguments().first().value<QDBusVariant>().variant().value<QDBusArgument>();
        int width = 0;
        int height = 0;
        QByteArray pixels;
        icons.beginArray();
        if (!icons.atEnd()) {
            icons.beginStructure();
            icons >> width >> height >> pixels;
            icons.endStructure();
        }
        Label found{{width, height}, 0};
        if (pixels.size() != width * height * 4) {
            return found;
        }
        int first = -1;
        int last = -1;
        for (int x = 0; x < width; ++x) {
            for (int y = 0; y < height; ++y) {
                if (pixels[(y * width + x) * 4] != 0) {  // alpha, the first byte
                    first = first < 0 ? x : first;
                    last = x;
                    break;
                }
            }
        }
        found.inkColumns = first < 0 ? 0 : last - first + 1;
        return found;
    }
    void activate(const std::string& service, int x, int y) {
        QDBusMessage m =
            QDBusMessage::createMethodCall(QString::fromStdString(service), "/StatusNotifierItem",
                                           "org.kde.StatusNotifierItem", "Activate");
        m.setArguments({x, y});
        bus.call(m, QDBus::Block, 5000);
    }
    // What the output shows now, taken with grim as the desktop's user.
    QImage screenshot() {
        std::string file = rig->env("HOME") + "/screen.png";
        test::outputOf(rig->asUser() + " grim " + file);
        return QImage(QString::fromStdString(file));
    }

    // The first and last columns with ink in the bar's right half (the tray; the workspace
    // buttons are at the left); -1 when there is none.
    static std::pair<int, int> trayInk(const QImage& shot, int bar) {
        int first = -1;
        int last = -1;
        if (shot.isNull()) {
            return {first, last};
        }
        QRgb background = shot.pixel(shot.width() / 2, 1);
        for (int x = shot.width() / 2; x < shot.width(); ++x) {
            for (int y = 0; y < bar; ++y) {
                if (shot.pixel(x, y) != background) {
                    first = first < 0 ? x : first;
                    last = x;
                    break;
                }
            }
        }
        return {first, last};
    }

    static inline DesktopRig* rig = nullptr;
    QString busName = QStringLiteral("sway-rig-%1").arg(::getpid());
    QDBusConnection bus = QDBusConnection::connectToBus(
        QString::fromStdString(rig ? rig->env("DBUS_SESSION_BUS_ADDRESS") : ""), busName);
};

TEST_F(SwayDesktopTest, TheBarShowsTheWholeWideLabel) {
    auto app = start();
    std::string service;
    ASSERT_TRUE(waitFor(20, [&] { return !(service = item()).empty(); })) << "never registered";
    ASSERT_TRUE(waitFor(5, [&] { return label(service).inkColumns > 0; }));
    QSize size = label(service).size;
    ASSERT_GT(size.width(), 3 * size.height()) << "a wide label";
    int bar = workArea().top();
    ASSERT_GT(bar, 0) << "the bar takes room at the top";

    // The ink in the tray spans the label's ink scaled to the tray's 22 pixel icons: all of it
    // is shown, none cut off. The label is read right after each picture, as the readings
    // change it.
    int shown = 0;
    int expected = 0;
    QImage shot;
    waitFor(15, [&] {
        shot = screenshot();
        auto [first, last] = trayInk(shot, bar);
        Label now = label(service);
        shown = first < 0 ? 0 : last - first + 1;
        expected = now.size.height() > 0 ? now.inkColumns * 22 / now.size.height() : 0;
        return expected > 0 && std::abs(shown - expected) <= expected / 10;
    });
    QDir().mkpath(TALLYVANE_SHOTS);
    shot.copy(0, 0, shot.width(), bar).save(TALLYVANE_SHOTS "/sway-bar.png");
    EXPECT_NEAR(shown, expected, expected / 10)
        << "label " << size.width() << "x" << size.height() << ", shown " << shown << " wide";
}

TEST_F(SwayDesktopTest, AClickOnTheItemInTheBarOpensThePanelUnderTheBarAndASecondClosesIt) {
    auto app = start();
    ASSERT_TRUE(waitFor(20, [&] { return !item().empty(); }));
    QRect area = workArea();
    std::pair<int, int> ink{-1, -1};
    ASSERT_TRUE(waitFor(15, [&] {
        ink = trayInk(screenshot(), area.top());
        return ink.first >= 0;
    }));
    auto click = [&] {
        test::outputOf(rig->asUser() + " " TALLYVANE_TEST_CLICK " " +
                       std::to_string((ink.first + ink.second) / 2) + " " +
                       std::to_string(area.top() / 2) + " " + std::to_string(area.right() + 1) +
                       " " + std::to_string(area.bottom() + 1));
    };
    click();
    // waybar 0.9 tells the click's position inside the icon, so where along the bar the panel
    // opens is not checked here; that it opens whole under the bar is.
    ASSERT_TRUE(waitFor(5, [&] { return window("TallyVane panel").has_value(); }));
    QRect panel = *window("TallyVane panel");
    EXPECT_GE(panel.top(), area.top());
    EXPECT_LE(panel.bottom(), area.bottom() + 1);
    EXPECT_GE(panel.left(), area.left());
    EXPECT_LE(panel.right(), area.right());
    ::usleep(400'000);
    click();
    EXPECT_TRUE(waitFor(5, [&] { return !window("TallyVane panel"); }));
}

TEST_F(SwayDesktopTest, ActivateOpensThePanelAtThePositionAndASecondOneOrFocusElsewhereClosesIt) {
    auto app = start();
    std::string service;
    ASSERT_TRUE(waitFor(20, [&] { return !(service = item()).empty(); }));
    QRect area = workArea();

    // Centred under the click, kept off the bar.
    activate(service, 1000, 12);
    ASSERT_TRUE(waitFor(5, [&] {
        auto panel = window("TallyVane panel");
        return panel && panel->x() == 1000 - 180;
    })) << (window("TallyVane panel") ? "misplaced" : "not open");
    QRect panel = *window("TallyVane panel");
    EXPECT_EQ(panel.width(), 360);
    EXPECT_GE(panel.top(), area.top()) << "under the bar";
    EXPECT_LE(panel.top(), area.top() + 8) << "right under the bar";
    EXPECT_LE(panel.bottom(), area.bottom() + 2);

    activate(service, 1000, 12);
    EXPECT_TRUE(waitFor(5, [&] { return !window("TallyVane panel"); })) << "a second click closes";

    // Escape, typed while it has the focus, closes it.
    ::usleep(400'000);
    activate(service, 600, 12);
    ASSERT_TRUE(waitFor(5, [&] { return window("TallyVane panel").has_value(); }));
    ::usleep(300'000);
    test::outputOf(rig->asUser() + " xdotool key Escape");
    EXPECT_TRUE(waitFor(5, [&] { return !window("TallyVane panel"); })) << "Escape closes";

    // Near the output's edge it stays whole on the output.
    ::usleep(400'000);
    activate(service, 1270, 12);
    ASSERT_TRUE(waitFor(5, [&] {
        auto open = window("TallyVane panel");
        return open && open->right() <= area.right() && open->x() >= area.right() - 360 - 8;
    })) << (window("TallyVane panel") ? "misplaced" : "not open");

    // A window the user focuses takes the focus from it, and it closes.
    auto terminal = asUser({"foot", "--app-id=rig-terminal", "sleep", "60"});
    ASSERT_TRUE(waitFor(
        10, [&] { return swaymsg("-t get_tree").find("rig-terminal") != std::string::npos; }));
    swaymsg("'[app_id=rig-terminal] focus'");
    EXPECT_TRUE(waitFor(5, [&] { return !window("TallyVane panel"); }));
}

// With a terminal in front running a big busy program (the user's work) and a big busy
// program behind, under memory pressure: the one behind is paused, the front one never.
// `environment` is what TallyVane runs with (without SWAYSOCK it learns the front app from the
// foreign-toplevel list, as on other wlroots compositors).
void SwayDesktopTest::workInFront(std::unique_ptr<Spawned>& terminal, std::optional<pid_t>& front) {
    terminal = asUser({"foot", TALLYVANE_TEST_WORKER, "1", "busy", "600"});
    ASSERT_TRUE(waitFor(10, [&] {
        for (pid_t pid : test::descendantsOf(terminal->pid())) {
            if (test::commOf(pid).rfind("tallyvane_test", 0) == 0) {
                front = pid;
            }
        }
        return front && swaymsg("-t get_tree").find("\"foot\"") != std::string::npos;
    }));
    swaymsg("'[app_id=^foot$] focus'");
}

void SwayDesktopTest::expectOnlyTheBackgroundAppPaused(const std::vector<std::string>& environment,
                                                       const std::string& source) {
    std::unique_ptr<Spawned> terminal;
    std::optional<pid_t> front;
    ASSERT_NO_FATAL_FAILURE(workInFront(terminal, front));
    auto big = asUser({TALLYVANE_TEST_WORKER, "1", "busy", "600"});
    std::string check = rig->asUser() + " env";
    for (const std::string& part : environment) {
        check += " " + part;
    }
    EXPECT_NE(test::outputOf(check + " " TALLYVANE_PROGRAM " --check").find(source),
              std::string::npos)
        << "the self-check names the source";
    auto app = start("demoPressure=4\\n", environment);

    // Paused in beats: stopped four seconds in every five.
    bool paused = false;
    bool frontPaused = false;
    waitFor(20, [&] {
        frontPaused = frontPaused || test::processState(*front) == 'T';
        paused = paused || test::processState(big->pid()) == 'T';
        return paused;
    });
    EXPECT_TRUE(paused) << "the background app was never paused";
    for (int i = 0; i < 60; ++i) {
        frontPaused = frontPaused || test::processState(*front) == 'T' ||
                      test::processState(terminal->pid()) == 'T';
        ::usleep(100'000);
    }
    EXPECT_FALSE(frontPaused) << "the app in front was paused";
}

TEST_F(SwayDesktopTest, WithANativeWindowInFrontTheBigBackgroundAppIsPausedAndTheFrontOneNever) {
    expectOnlyTheBackgroundAppPaused({}, "sway IPC");
}

TEST_F(SwayDesktopTest, TheForeignToplevelListKeepsTheFrontAppRunningToo) {
    expectOnlyTheBackgroundAppPaused({"-u", "SWAYSOCK"}, "wlroots foreign-toplevel");
}

// Trouble coming after a calm while, the user's terminal in front: make way acts at the next
// tick, the app in front is never paused. With `panel` TallyVane's panel is kept open in front
// ("--open"): its own window is focused, yet the app the user was in stays the one in front.
void SwayDesktopTest::expectPausedAtOnceOnTrouble(bool panel) {
    std::unique_ptr<Spawned> terminal;
    std::optional<pid_t> front;
    ASSERT_NO_FATAL_FAILURE(workInFront(terminal, front));
    auto big = asUser({TALLYVANE_TEST_WORKER, "1", "sleep", "600"});
    auto app = panel ? start("", {}, {"--open"}) : start();
    if (panel) {
        ASSERT_TRUE(waitFor(15, [&] {
            auto open = nodeNamed(
                QJsonDocument::fromJson(QByteArray::fromStdString(swaymsg("-t get_tree"))).object(),
                "TallyVane panel");
            return open && open->value("focused").toBool();
        })) << "the panel never opened in front";
    } else {
        ASSERT_TRUE(waitFor(20, [&] { return !item().empty(); })) << "never started";
    }
    ::sleep(3);  // calm a while

    store("demoPressure=4\\n");
    auto trouble = std::chrono::steady_clock::now();
    bool paused = waitFor(15, [&] { return test::processState(big->pid()) == 'T'; });
    double after =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - trouble).count();
    ASSERT_TRUE(paused) << "make way did nothing";
    std::printf("[ figures  ] %s: paused %.2f s after the trouble began\n",
                panel ? "panel open" : "panel closed", after);
    EXPECT_LT(after, 3.0) << "not at the next ticks";
    bool frontPaused = false;
    for (int i = 0; i < 30; ++i) {
        frontPaused = frontPaused || test::processState(*front) == 'T';
        ::usleep(100'000);
    }
    EXPECT_FALSE(frontPaused) << "the app in front was paused";
}

TEST_F(SwayDesktopTest, TroubleAfterACalmWhileIsMetAtOnce) {
    expectPausedAtOnceOnTrouble(false);
}

TEST_F(SwayDesktopTest, WithThePanelOpenInFrontMakeWayStillActsAtOnceOnTrouble) {
    expectPausedAtOnceOnTrouble(true);
}

TEST_F(SwayDesktopTest, TheForeignToplevelListTellsTheActivatedWindowsAppId) {
    // As on a wlroots compositor without sway's socket: the list is chosen when offered.
    std::string display = rig->env("XDG_RUNTIME_DIR") + "/" + rig->env("WAYLAND_DISPLAY");
    std::map<std::string, std::string> env{{"WAYLAND_DISPLAY", display}};
    auto choice = linux_os::FrontAppChoice::of([&](const char* key) { return env[key]; },
                                               [](const std::string&) { return false; }, {},
                                               linux_os::ForeignToplevelFrontApp::offered);
    ASSERT_EQ(choice.kind, linux_os::FrontAppChoice::Kind::foreignToplevel);
    EXPECT_EQ(choice.describe(), "wlroots foreign-toplevel list of " + display);
    EXPECT_FALSE(linux_os::ForeignToplevelFrontApp::offered("/nonexistent/wayland-9"));

    std::unique_ptr<FrontAppSource> source = choice.make(::getpid());
    ASSERT_TRUE(source->available());
    auto first = asUser({"foot", "--app-id=foot", "sleep", "60"});
    auto second = asUser({"foot", "--app-id=org.example.Editor", "sleep", "60"});
    ASSERT_TRUE(waitFor(10, [&] {
        std::string tree = swaymsg("-t get_tree");
        return tree.find("\"foot\"") != std::string::npos &&
               tree.find("org.example.Editor") != std::string::npos;
    }));
    swaymsg("'[app_id=^foot$] focus'");
    EXPECT_TRUE(waitFor(5, [&] { return source->frontAppId() == "foot"; }))
        << source->frontAppId().value_or("none");
    swaymsg("'[app_id=org.example.Editor] focus'");
    EXPECT_TRUE(waitFor(5, [&] { return source->frontAppId() == "org.example.Editor"; }))
        << source->frontAppId().value_or("none");
    // A window of TallyVane's own (its desktop id, in any case): the app before it stays in
    // front while that app's window is open.
    auto ours = asUser({"foot", "--app-id=TallyVane", "sleep", "60"});
    ASSERT_TRUE(waitFor(
        10, [&] { return swaymsg("-t get_tree").find("\"TallyVane\"") != std::string::npos; }));
    swaymsg("'[app_id=^TallyVane$] focus'");
    ::usleep(300'000);
    EXPECT_EQ(source->frontAppId(), "org.example.Editor");
    second.reset();
    EXPECT_TRUE(waitFor(5, [&] { return !source->frontAppId(); }))
        << "its window closed: " << source->frontAppId().value_or("none");
    ours.reset();
    // An empty workspace: nothing is activated, so nothing is in front.
    swaymsg("workspace 2");
    EXPECT_TRUE(waitFor(5, [&] { return !source->frontAppId(); }))
        << source->frontAppId().value_or("none");
    swaymsg("workspace 1");
}

}  // namespace
}  // namespace tv
