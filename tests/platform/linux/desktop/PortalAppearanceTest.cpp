// The desktop's look and motion preferences, read from a settings portal on a private session
// bus and followed as the portal announces changes.
#include <gtest/gtest.h>

#include <QDBusConnection>

#include "platform/linux/desktop/PortalAppearance.h"
#include "support/DesktopRig.h"
#include "support/EventLoop.h"
#include "support/FakePortal.h"

namespace tv {
namespace {

using test::spin;

class PortalAppearanceTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(rig.started()) << rig.failure(); }
    void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("reader")); }

    QDBusConnection readerBus() {
        return QDBusConnection::connectToBus(
            QString::fromStdString(rig.env("DBUS_SESSION_BUS_ADDRESS")), QStringLiteral("reader"));
    }

    test::DesktopRig rig{{}};
};

TEST_F(PortalAppearanceTest, FollowsTheDesktopTurningAnimationsOffAndOnAgain) {
    test::FakePortal portal(rig.env("DBUS_SESSION_BUS_ADDRESS"), 2);
    ASSERT_TRUE(portal.registered());
    linux_os::PortalAppearance appearance(readerBus());
    int changes = 0;
    appearance.onChange([&] { ++changes; });

    EXPECT_FALSE(appearance.reducesMotion().has_value()) << "unknown until the portal answers";
    EXPECT_FALSE(appearance.prefersDark().has_value());
    ASSERT_TRUE(spin(5, [&] {
        return appearance.reducesMotion().has_value() && appearance.prefersDark().has_value();
    }));
    EXPECT_EQ(appearance.reducesMotion(), false) << "animations are on at the desktop";
    EXPECT_GE(changes, 1) << "the answer's arrival is a change";

    portal.setAnimations(false);
    EXPECT_TRUE(spin(5, [&] { return appearance.reducesMotion() == true; }))
        << "turned off at the desktop, motion is reduced at once";
    EXPECT_EQ(appearance.prefersDark(), false) << "the other setting is not disturbed";
    int before = changes;
    portal.setAnimations(true);
    EXPECT_TRUE(spin(5, [&] { return appearance.reducesMotion() == false; }));
    EXPECT_GT(changes, before);

    portal.setScheme(1);
    EXPECT_TRUE(spin(5, [&] { return appearance.prefersDark() == true; }));
    EXPECT_EQ(appearance.reducesMotion(), false) << "a scheme change says nothing about motion";
}

TEST_F(PortalAppearanceTest, WithoutAPortalNothingIsKnownAndNothingWaits) {
    linux_os::PortalAppearance appearance(readerBus());
    EXPECT_FALSE(appearance.reducesMotion().has_value());
    spin(1, [] { return false; });
    EXPECT_FALSE(appearance.reducesMotion().has_value());
    EXPECT_FALSE(appearance.prefersDark().has_value());
}

}  // namespace
}  // namespace tv
