#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/linux/GnomeShellExtension.h"
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

// Stands in for TallyVane's focus receiver: keeps every report with the bus name it came from.
class FocusReports : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.tallyvane.Focus")
  public:
    struct Report {
        uint pid;
        QString appId;
        QString sender;
    };
    std::vector<Report> reports;

  public slots:
    void WindowActivated(uint pid, const QString& appId) {
        reports.push_back({pid, appId, message().service()});
    }
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

TEST_F(GnomeShellTest, ExtensionReportsTheFocusedNativeWindowWithItsPidFromTheShellsName) {
    QDBusConnection& bus = shell->bus();
    FocusReports receiver;
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/app/tallyvane/Focus"), &receiver,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService(QStringLiteral("app.tallyvane.TallyVane")));
    GnomeShellExtension extension("gnome-test");
    ASSERT_TRUE(extension.enable());
    QString shellName = bus.interface()->serviceOwner(QStringLiteral("org.gnome.Shell")).value();

    {
        // foot is a native Wayland client: only the shell knows it is in front.
        test::Spawned window(shell->inSession({"foot", "sleep", "600"}));
        auto reportedWindow = [&] {
            return !receiver.reports.empty() &&
                   receiver.reports.back().pid == static_cast<uint>(window.pid());
        };
        ASSERT_TRUE(test::spin(20, reportedWindow));
        EXPECT_EQ(receiver.reports.back().sender, shellName);
        EXPECT_EQ(receiver.reports.back().appId, QStringLiteral("foot.desktop"));
    }
    // Its window gone, nothing is in front: the report says so rather than leaving the last app.
    EXPECT_TRUE(test::spin(10, [&] { return receiver.reports.back().pid == 0; }));
    EXPECT_EQ(receiver.reports.back().appId, QString());

    // Turned off, it says nothing is known any more.
    receiver.reports.clear();
    ASSERT_TRUE(extension.disable());
    EXPECT_TRUE(test::spin(5, [&] { return !receiver.reports.empty(); }));
    bus.unregisterService(QStringLiteral("app.tallyvane.TallyVane"));
    bus.unregisterObject(QStringLiteral("/app/tallyvane/Focus"));
}

}  // namespace
}  // namespace tv

#include "GnomeShellTest.moc"
