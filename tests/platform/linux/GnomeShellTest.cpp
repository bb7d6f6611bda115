#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/linux/GnomeShellExtension.h"
#include "platform/linux/ReportedFrontApp.h"
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
    bool eval(const QString& script) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
            QStringLiteral("org.gnome.Shell"), QStringLiteral("Eval"));
        call << script;
        QDBusMessage reply = bus_.call(call, QDBus::Block, 5000);
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
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
    linux_os::ReportedFrontApp front(bus, 1, "GNOME Shell extension",
                                     {QStringLiteral("org.gnome.Shell")});
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

}  // namespace
}  // namespace tv
