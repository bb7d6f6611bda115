#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/FocusOffer.h"
#include "platform/linux/focus/CompositorProcess.h"
#include "platform/linux/focus/GnomeShellExtension.h"
#include "platform/linux/focus/ReportedFrontApp.h"
#include "settings/FocusConsent.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "support/EventLoop.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using linux_os::GnomeShellExtension;
using State = FocusExtension::State;

// A GNOME Shell of its own (tests/rig/gnome), headless, with our extension installed but not
// turned on, and the test's own access extension (for screenshots and Eval).
class ShellSession {
  public:
    ShellSession() {
        dir_ = temp_.path().toStdString() + "/gnome";
        std::string command = std::string(TALLYVANE_GNOME_RIG) + " start " + dir_ + " " +
                              TALLYVANE_GNOME_EXTENSION + " " + TALLYVANE_GNOME_TEST_EXTENSION +
                              " >" + temp_.path().toStdString() + "/rig.log 2>&1";
        started_ = std::system(command.c_str()) == 0;
        std::ifstream lines(dir_ + "/env");
        for (std::string line; std::getline(lines, line);) {
            if (auto eq = line.find('='); eq != std::string::npos) {
                env_.emplace_back(line.substr(0, eq), line.substr(eq + 1));
            }
        }
        if (started_) {
            bus_ = QDBusConnection::connectToBus(
                QString::fromStdString(env("DBUS_SESSION_BUS_ADDRESS")),
                QStringLiteral("gnome-test"));
            // The shell starts in its overview, where no window has the focus; the user leaves
            // it before working in a window.
            started_ = GnomeShellExtension("gnome-test", "tallyvane-test@app.tallyvane").enable() &&
                       eval("Main.overview.hide(); true");
        }
    }
    ~ShellSession() {
        QDBusConnection::disconnectFromBus(QStringLiteral("gnome-test"));
        std::string command = std::string(TALLYVANE_GNOME_RIG) + " stop " + dir_;
        (void)std::system(command.c_str());
    }

    bool started() const { return started_; }
    // The last lines the shell wrote.
    std::string logTail() const {
        std::ifstream log(dir_ + "/shell.log");
        std::deque<std::string> last;
        for (std::string line; std::getline(log, line);) {
            last.push_back(line);
            if (last.size() > 120) {
                last.pop_front();
            }
        }
        std::string out;
        for (const std::string& line : last) {
            out += line + '\n';
        }
        return out;
    }
    std::string env(const std::string& key) const {
        for (const auto& [name, value] : env_) {
            if (name == key) {
                return value;
            }
        }
        return {};
    }
    // `argv` run in the session (its Wayland display, its bus).
    std::vector<std::string> inSession(std::vector<std::string> argv) const {
        std::vector<std::string> full{"env"};
        for (const auto& [name, value] : env_) {
            full.push_back(name + "=" + value);
        }
        full.insert(full.end(), argv.begin(), argv.end());
        return full;
    }
    QDBusConnection& bus() { return bus_; }
    // Runs `script` in the shell (its unsafe mode is on); true when it ran.
    bool eval(const QString& script) { return evaluate(script).has_value(); }
    // What `script` gives, as JSON text; absent when it failed.
    std::optional<QString> evaluate(const QString& script) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
            QStringLiteral("org.gnome.Shell"), QStringLiteral("Eval"));
        call << script;
        QDBusMessage reply = bus_.call(call, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || !reply.arguments().value(0).toBool()) {
            return std::nullopt;
        }
        return reply.arguments().value(1).toString();
    }

  private:
    QTemporaryDir temp_;
    std::string dir_;
    std::vector<std::pair<std::string, std::string>> env_;
    QDBusConnection bus_{QString()};
    bool started_ = false;
};

class GnomeShellTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { shell = std::make_unique<ShellSession>(); }
    static void TearDownTestSuite() { shell.reset(); }
    void SetUp() override {
        if (!shell->started()) {
            GTEST_SKIP() << "GNOME Shell could not start here (see the rig's log)";
        }
    }
    static std::unique_ptr<ShellSession> shell;
};

std::unique_ptr<ShellSession> GnomeShellTest::shell;

TEST_F(GnomeShellTest, ConsentTurnsTheExtensionOnAndOffThroughTheShellAndAsksOnce) {
    QTemporaryDir home;
    Settings settings(home.filePath(QStringLiteral("TallyVane.ini")));
    GnomeShellExtension extension("gnome-test");
    FocusConsent consent(settings, extension);

    ASSERT_EQ(extension.state(), State::off);
    EXPECT_TRUE(consent.shouldOffer());
    consent.offered();
    EXPECT_FALSE(consent.shouldOffer());  // never asked twice, whatever the answer

    EXPECT_TRUE(consent.accept());
    EXPECT_EQ(extension.state(), State::on);
    EXPECT_EQ(settings.text(SettingKeys::focusExtension), QStringLiteral("on"));

    EXPECT_TRUE(consent.decline());
    EXPECT_EQ(extension.state(), State::off);
    EXPECT_EQ(settings.text(SettingKeys::focusExtension), QStringLiteral("off"));
    EXPECT_FALSE(consent.shouldOffer());

    EXPECT_EQ(GnomeShellExtension("gnome-test", "not-ours@example.org").state(), State::absent);
}

// The offer as the user meets it: a GNOME notification whose "Turn On" turns the extension on;
// answered, it never comes again.
TEST_F(GnomeShellTest, OfferIsAGnomeNotificationWhoseTurnOnEnablesTheExtensionAndComesOnce) {
    QTemporaryDir home;
    Settings settings(home.filePath(QStringLiteral("TallyVane.ini")));
    GnomeShellExtension extension("gnome-test");
    ASSERT_EQ(extension.state(), State::off);
    FocusConsent consent(settings, extension);
    const QString offers = QStringLiteral(
        "Main.messageTray.getSources().flatMap(s => s.notifications)"
        "  .filter(n => n.title === 'Let TallyVane see the app in front?')");
    auto offered = [&] { return shell->evaluate(offers + QStringLiteral(".length")); };

    FocusOffer offer(consent, shell->bus(), 0);
    bool answered = false;
    QObject::connect(&offer, &FocusOffer::answered, [&](bool on) { answered = on; });
    ASSERT_TRUE(test::spin(10, [&] { return offered() == QStringLiteral("1"); }));
    ASSERT_TRUE(shell->eval(
        offers + QStringLiteral("[0].actions.find(a => a.label === 'Turn On').callback(); true")));
    EXPECT_TRUE(test::spin(10, [&] { return answered; }));
    EXPECT_EQ(extension.state(), State::on);
    EXPECT_EQ(settings.text(SettingKeys::focusExtension), QStringLiteral("on"));

    // Off again (as in the Extensions app): the answer stands, nothing is offered.
    ASSERT_TRUE(extension.disable());
    shell->eval(offers + QStringLiteral(".forEach(n => n.destroy()); true"));
    FocusOffer again(consent, shell->bus(), 0);
    test::spin(2, [] { return false; });
    EXPECT_EQ(offered(), QStringLiteral("0"));
}

TEST_F(GnomeShellTest, ExtensionTellsTallyVaneTheFocusedNativeWindowsPid) {
    QDBusConnection& bus = shell->bus();
    GnomeShellExtension extension("gnome-test");
    ASSERT_TRUE(extension.enable());
    // foot is a native Wayland client: only the shell knows it is in front.
    auto window = std::make_unique<test::Spawned>(shell->inSession({"foot", "sleep", "600"}));
    // TallyVane takes its name before its receiver is there: the report of the window already
    // in front must still arrive.
    ASSERT_TRUE(bus.registerService(QStringLiteral("app.tallyvane.TallyVane")));
    test::spin(0.5, [] { return false; });
    // Believed only from the shell's own process: the one serving the Wayland display.
    linux_os::CompositorProcess compositor(shell->env("XDG_RUNTIME_DIR") + "/" +
                                           shell->env("WAYLAND_DISPLAY"));
    linux_os::ReportedFrontApp front(bus, 1, "GNOME Shell extension",
                                     {QStringLiteral("org.gnome.Shell")},
                                     [&](std::int32_t pid) { return compositor.is(pid); });
    ASSERT_TRUE(front.available());
    EXPECT_TRUE(test::spin(20, [&] { return front.frontPid() == window->pid(); }));

    // Its window gone, nothing is in front: unknown, never the last app.
    window.reset();
    EXPECT_TRUE(test::spin(10, [&] { return !front.frontPid(); }));

    // Turned off while a window is in front, it takes back what it said.
    window = std::make_unique<test::Spawned>(shell->inSession({"foot", "sleep", "600"}));
    ASSERT_TRUE(test::spin(20, [&] { return front.frontPid() == window->pid(); }));
    ASSERT_TRUE(extension.disable());
    EXPECT_TRUE(test::spin(10, [&] { return !front.frontPid(); }));
    bus.unregisterService(QStringLiteral("app.tallyvane.TallyVane"));
}

// The shell's AppIndicator extension hosts our item: the square mark with the readings as its
// label in the top bar, and a double click (its way to activate; one click opens our menu)
// calls Activate at the click, which opens the panel right under the item.
TEST_F(GnomeShellTest, AppIndicatorShowsTheItemWithItsLabelAndActivateOpensThePanelUnderIt) {
    GnomeShellExtension indicators("gnome-test", "ubuntu-appindicators@ubuntu.com");
    if (indicators.state() == State::absent) {
        GTEST_SKIP() << "the AppIndicator extension is not installed";
    }
    ASSERT_TRUE(indicators.enable());
    QTemporaryDir home;
    // Through Xwayland, as on a GNOME desktop (the test itself runs off screen).
    test::Spawned tallyvane(shell->inSession({"XDG_CONFIG_HOME=" + home.path().toStdString(),
                                              "QT_QPA_PLATFORM=xcb", TALLYVANE_PROGRAM}));

    // The item's place in the top bar and the text of its label, once it shows the readings.
    const QString item = QStringLiteral(
        "const { St } = imports.gi;"
        "const texts = a => a instanceof St.Label ? [a.text] : a.get_children().flatMap(texts);"
        "const key = Object.keys(Main.panel.statusArea).find(k => k.startsWith('appindicator'));"
        "const a = key && Main.panel.statusArea[key];"
        "a && a.mapped ? [...a.get_transformed_position(), a.width, a.height, texts(a).join('')] : "
        "null");
    QJsonArray place;
    auto findItem = [&](double seconds) {
        return test::spin(seconds, [&] {
            place =
                QJsonDocument::fromJson(shell->evaluate(item).value_or(QString()).toUtf8()).array();
            // Placed: an item not yet laid out reads as being at the bar's start.
            return place.size() == 5 && place[4].toString().contains(QLatin1Char('%')) &&
                   place[0].toInt() > 0;
        });
    };
    // What the top bar holds, for a failure's message.
    const QString statusArea = QStringLiteral(
        "JSON.stringify(Object.keys(Main.panel.statusArea).filter(k => Main.panel.statusArea[k])"
        "  .map(k => [k, Main.panel.statusArea[k].mapped]))");
    ASSERT_TRUE(findItem(30)) << "the item read "
                              << QJsonDocument(place).toJson(QJsonDocument::Compact).toStdString()
                              << "; the top bar holds "
                              << shell->evaluate(statusArea).value_or("?").toStdString();
    // CPU · memory · temperature, as the label says it.
    EXPECT_EQ(place[4].toString().count(QStringLiteral(" · ")), 2)
        << place[4].toString().toStdString();
    QDir().mkpath(QStringLiteral(TALLYVANE_SHOTS));
    QDBusMessage shot = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell.Screenshot"), QStringLiteral("/org/gnome/Shell/Screenshot"),
        QStringLiteral("org.gnome.Shell.Screenshot"), QStringLiteral("Screenshot"));
    shot << false << false << QStringLiteral(TALLYVANE_SHOTS "/gnome-top-bar.png");
    EXPECT_TRUE(shell->bus().call(shot, QDBus::Block, 10000).arguments().value(0).toBool());

    int x = 0;
    const QString doubleClick = QStringLiteral(
        "const { Clutter, GLib } = imports.gi;"
        "const seat = Clutter.get_default_backend().get_default_seat();"
        "const pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);"
        "const t = GLib.get_monotonic_time();"
        "pointer.notify_absolute_motion(t, %1, %2);"
        "[true, false, true, false].forEach((down, i) => pointer.notify_button("
        "  t + 40000 * (i + 1), Clutter.BUTTON_PRIMARY,"
        "  down ? Clutter.ButtonState.PRESSED : Clutter.ButtonState.RELEASED));"
        "true");
    const QString panel =
        QStringLiteral(
            "const w = global.get_window_actors().map(a => a.meta_window)"
            "  .find(w => w.get_pid() === %1 && w.get_title() === 'TallyVane panel');"
            "const r = w && w.get_frame_rect(); r ? [r.x, r.y, r.width, r.height] : null")
            .arg(tallyvane.pid());
    QJsonArray frame;
    auto panelShown = [&] {
        frame =
            QJsonDocument::fromJson(shell->evaluate(panel).value_or(QString()).toUtf8()).array();
        return frame.size() == 4;
    };
    // The extension may still be setting the item up when its label first shows.
    // The shell may also go back to its overview when the last window closes.
    for (int attempt = 0; attempt < 3 && !panelShown(); ++attempt) {
        ASSERT_TRUE(shell->eval(QStringLiteral("Main.overview.hide(); true")));
        test::spin(1, [&] {
            return shell->evaluate(QStringLiteral("Main.overview.visible")) ==
                   QStringLiteral("false");
        });
        if (!findItem(30)) {
            ADD_FAILURE() << "on attempt " << attempt << " the item went; the top bar holds "
                          << shell->evaluate(statusArea).value_or("?").toStdString()
                          << "; the program is in state " << test::processState(tallyvane.pid())
                          << "; the shell's log ends:\n"
                          << shell->logTail();
            return;
        }
        x = place[0].toInt() + place[2].toInt() / 2;
        ASSERT_TRUE(shell->eval(doubleClick.arg(x).arg(place[1].toInt() + place[3].toInt() / 2)));
        test::spin(5, panelShown);
    }
    if (frame.size() != 4) {
        shot.setArguments({false, false, QStringLiteral(TALLYVANE_SHOTS "/gnome-no-panel.png")});
        shell->bus().call(shot, QDBus::Block, 10000);
    }
    ASSERT_EQ(frame.size(), 4) << "the program is in state " << test::processState(tallyvane.pid())
                               << "; the top bar holds "
                               << shell->evaluate(statusArea).value_or("?").toStdString()
                               << "; the shell's log ends:\n"
                               << shell->logTail();
    // Under the top bar, spanning the item's place (kept inside the screen).
    EXPECT_LE(frame[0].toInt(), x);
    EXPECT_GE(frame[0].toInt() + frame[2].toInt(), x);
    EXPECT_GE(frame[1].toInt(), place[1].toInt() + place[3].toInt() - 1);
    EXPECT_LE(frame[1].toInt(), place[1].toInt() + place[3].toInt() + 40);
    // Still open once drawn: the click that opened it did not also take it away.
    test::spin(1.5, [] { return false; });
    EXPECT_TRUE(panelShown());
    shot.setArguments({false, false, QStringLiteral(TALLYVANE_SHOTS "/gnome-panel-open.png")});
    EXPECT_TRUE(shell->bus().call(shot, QDBus::Block, 10000).arguments().value(0).toBool());
}

// While an alert is on the item asks for attention, and the AppIndicator host then draws its
// attention icon instead of its icon: that must be the item's own picture, not nothing.
TEST_F(GnomeShellTest, AppIndicatorKeepsTheIconInViewWhileAnAlertIsOn) {
    GnomeShellExtension indicators("gnome-test", "ubuntu-appindicators@ubuntu.com");
    if (indicators.state() == State::absent) {
        GTEST_SKIP() << "the AppIndicator extension is not installed";
    }
    ASSERT_TRUE(indicators.enable());
    QTemporaryDir home;
    QDir().mkpath(home.filePath("TallyVane"));
    // Memory critical from the first sample on: the alert look.
    std::ofstream(home.filePath("TallyVane/TallyVane.ini").toStdString())
        << "[General]\ndemoPressure=4\n";
    test::Spawned tallyvane(shell->inSession({"XDG_CONFIG_HOME=" + home.path().toStdString(),
                                              "QT_QPA_PLATFORM=xcb", TALLYVANE_PROGRAM}));
    QString service = QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(tallyvane.pid());
    auto itemProperty = [&](const char* name) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            service, QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QStringLiteral("org.kde.StatusNotifierItem") << QString::fromLatin1(name);
        QDBusMessage reply = shell->bus().call(get, QDBus::Block, 5000);
        return reply.arguments().isEmpty()
                   ? QVariant()
                   : reply.arguments().first().value<QDBusVariant>().variant();
    };
    ASSERT_TRUE(test::spin(30, [&] {
        return itemProperty("Status").toString() == QStringLiteral("NeedsAttention");
    })) << "the alert is on";
    EXPECT_FALSE(itemProperty("AttentionAccessibleDesc").toString().isEmpty());

    // Each icon actor of our indicator: [has a picture, width], once it is placed.
    const QString icons = QStringLiteral(
        "const { St } = imports.gi;"
        "const icons = a => (a instanceof St.Icon ? [a] : []).concat("
        "  a.get_children().flatMap(icons));"
        "const key = Object.keys(Main.panel.statusArea).find(k => k.startsWith('appindicator'));"
        "const a = key && Main.panel.statusArea[key];"
        "a && a.mapped ? icons(a).map(i => [i.gicon !== null, i.width]) : null");
    QJsonArray found;
    bool drawn = test::spin(30, [&] {
        found =
            QJsonDocument::fromJson(shell->evaluate(icons).value_or(QString()).toUtf8()).array();
        for (const QJsonValue& icon : found) {
            if (icon.toArray().at(0).toBool() && icon.toArray().at(1).toDouble() > 0) {
                return true;
            }
        }
        return false;
    });
    QDir().mkpath(QStringLiteral(TALLYVANE_SHOTS));
    QDBusMessage shot = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell.Screenshot"), QStringLiteral("/org/gnome/Shell/Screenshot"),
        QStringLiteral("org.gnome.Shell.Screenshot"), QStringLiteral("Screenshot"));
    shot << false << false << QStringLiteral(TALLYVANE_SHOTS "/gnome-top-bar-alert.png");
    shell->bus().call(shot, QDBus::Block, 10000);
    EXPECT_TRUE(drawn) << "the indicator's icons: "
                       << QJsonDocument(found).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace
}  // namespace tv
