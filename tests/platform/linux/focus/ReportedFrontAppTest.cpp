// The compositor's reports of the active window, received on the rig's private session bus:
// believed only from the connection owning the compositor's name, forgotten when it leaves.
#include "platform/linux/focus/ReportedFrontApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>

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

}  // namespace
}  // namespace tv
