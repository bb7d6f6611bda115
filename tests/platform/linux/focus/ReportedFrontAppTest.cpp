// The compositor's reports of the active window, received on the rig's private session bus:
// believed only from the connection owning the compositor's name, forgotten when it leaves.
#include "platform/linux/focus/ReportedFrontApp.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>

#include "platform/linux/focus/CompositorProcess.h"
#include "support/DesktopRig.h"
#include "support/EventLoop.h"

namespace tv {
namespace {

using linux_os::ReportedFrontApp;
using test::DesktopRig;
using test::spin;

// One program on the bus: its own connection, optionally owning a well-known name.
struct Peer {
    explicit Peer(const std::string& address, const QString& id, const QString& owns = {})
        : bus(QDBusConnection::connectToBus(QString::fromStdString(address), id)) {
        if (!owns.isEmpty()) {
            bus.interface()->registerService(owns);
        }
    }
    ~Peer() { QDBusConnection::disconnectFromBus(bus.name()); }

    // Reports to TallyVane and waits for the answer; false when the report was refused.
    bool report(const QVariant& pid, const QString& appId) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("app.tallyvane.TallyVane"), QStringLiteral("/app/tallyvane/Focus"),
            QStringLiteral("app.tallyvane.Focus"), QStringLiteral("WindowActivated"));
        call << pid << appId;
        QDBusPendingCall pending = bus.asyncCall(call);
        spin(5, [&] { return pending.isFinished(); });
        return pending.isFinished() && !pending.isError();
    }

    QDBusConnection bus;
};

TEST(ReportedFrontApp, BelievesOnlyTheCompositorAndForgetsItWhenItLeaves) {
    DesktopRig rig{{}};
    ASSERT_TRUE(rig.started()) << "the desktop rig did not start";
    std::string address = rig.env("DBUS_SESSION_BUS_ADDRESS");
    Peer tallyvane(address, QStringLiteral("tallyvane"), QStringLiteral("app.tallyvane.TallyVane"));
    ReportedFrontApp front(tallyvane.bus, ::getpid(), "KWin script",
                           {QStringLiteral("org.kde.KWin")});
    ASSERT_TRUE(front.available());
    EXPECT_EQ(front.describe(), "KWin script");
    EXPECT_EQ(front.frontPid(), std::nullopt) << "nothing is known before the first report";

    auto kwin =
        std::make_unique<Peer>(address, QStringLiteral("kwin"), QStringLiteral("org.kde.KWin"));
    Peer stranger(address, QStringLiteral("stranger"));
    // On KDE nobody runs GNOME Shell, so anyone may take its name.
    Peer squatter(address, QStringLiteral("squatter"), QStringLiteral("org.gnome.Shell"));
    EXPECT_TRUE(kwin->report(4242u, QStringLiteral("org.kde.konsole")));
    EXPECT_EQ(front.frontPid(), 4242);

    EXPECT_FALSE(stranger.report(777u, QStringLiteral("evil")));
    EXPECT_FALSE(squatter.report(778u, QStringLiteral("evil")));
    EXPECT_EQ(front.frontPid(), 4242) << "a program that is not the compositor was believed";

    // TallyVane's own panel leaves the app before it in front; the desktop means nobody.
    EXPECT_TRUE(kwin->report(static_cast<int>(::getpid()), QStringLiteral("tallyvane")));
    EXPECT_EQ(front.frontPid(), 4242);
    EXPECT_TRUE(kwin->report(0u, QString()));
    EXPECT_EQ(front.frontPid(), std::nullopt);
    EXPECT_TRUE(kwin->report(0u, QStringLiteral("org.kde.dolphin")))
        << "an app id alone is taken, as unknown";
    EXPECT_EQ(front.frontPid(), std::nullopt);

    // Script engines send whole numbers as int32 or double; what is no pid is nobody.
    EXPECT_TRUE(kwin->report(4500, QStringLiteral("org.kde.kate")));
    EXPECT_EQ(front.frontPid(), 4500);
    EXPECT_TRUE(kwin->report(-3, QString()));
    EXPECT_EQ(front.frontPid(), std::nullopt);
    EXPECT_TRUE(kwin->report(4343.0, QStringLiteral("org.kde.kate")));
    EXPECT_EQ(front.frontPid(), 4343);
    kwin.reset();  // the compositor leaves the bus
    EXPECT_TRUE(spin(5, [&] { return !front.frontPid(); }))
        << "the last report outlived the compositor that made it";
    // A connection taking the name later is a new compositor, believed from its first report.
    Peer restarted(address, QStringLiteral("restarted"), QStringLiteral("org.kde.KWin"));
    EXPECT_TRUE(restarted.report(4444u, QStringLiteral("org.kde.kate")));
    EXPECT_EQ(front.frontPid(), 4444);
}

// Listens on a Unix socket for as long as it lives, as a compositor serves its display.
struct Listening {
    explicit Listening(const std::string& path) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.data(), path.size());
        ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
             ::listen(fd, 4) == 0;
    }
    ~Listening() { stop(); }
    void stop() {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    int fd = -1;
    bool ok = false;
};

TEST(ReportedFrontApp, BelievesTheCompositorsNameOnlyFromTheProcessServingTheDisplay) {
    DesktopRig rig{{}};
    ASSERT_TRUE(rig.started()) << "the desktop rig did not start";
    std::string address = rig.env("DBUS_SESSION_BUS_ADDRESS");
    // This test process serves the Wayland display: it stands for the compositor.
    QTemporaryDir runtime;
    std::string socket = runtime.filePath("wayland-7").toStdString();
    Listening display(socket);
    ASSERT_TRUE(display.ok);
    Peer tallyvane(address, QStringLiteral("tallyvane"), QStringLiteral("app.tallyvane.TallyVane"));
    linux_os::CompositorProcess compositor(socket);
    ReportedFrontApp front(tallyvane.bus, ::getpid(), "KWin script",
                           {QStringLiteral("org.kde.KWin")},
                           [&](std::int32_t pid) { return compositor.is(pid); });

    // While nobody holds the compositor's name, another program of the user takes it and
    // reports a window of its choosing.
    QProcess squatter;
    squatter.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import sys
from gi.repository import Gio, GLib
flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
         Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
bus = Gio.DBusConnection.new_for_address_sync(sys.argv[1], flags, None, None)
bus.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
              'RequestName', GLib.Variant('(su)', ('org.kde.KWin', 4)), None,
              Gio.DBusCallFlags.NONE, -1, None)
try:
    bus.call_sync('app.tallyvane.TallyVane', '/app/tallyvane/Focus', 'app.tallyvane.Focus',
                  'WindowActivated', GLib.Variant('(us)', (777, 'evil')), None,
                  Gio.DBusCallFlags.NONE, 5000, None)
    print('believed')
except GLib.Error:
    print('refused')
)"),
                                                        QString::fromStdString(address)});
    ASSERT_TRUE(spin(20, [&] { return squatter.state() == QProcess::NotRunning; }));
    EXPECT_EQ(squatter.readAllStandardOutput().trimmed().toStdString(), "refused")
        << squatter.readAllStandardError().toStdString();
    EXPECT_EQ(front.frontPid(), std::nullopt) << "a program that took the name was believed";

    // The compositor itself, once it holds its name, is believed.
    Peer kwin(address, QStringLiteral("kwin"), QStringLiteral("org.kde.KWin"));
    EXPECT_TRUE(kwin.report(4242u, QStringLiteral("org.kde.konsole")));
    EXPECT_EQ(front.frontPid(), 4242);
    // With no compositor serving the display, nobody is.
    display.stop();
    EXPECT_FALSE(kwin.report(4343u, QStringLiteral("org.kde.kate")));
    EXPECT_EQ(front.frontPid(), 4242);
}

}  // namespace
}  // namespace tv
