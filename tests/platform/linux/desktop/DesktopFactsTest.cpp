#include <gtest/gtest.h>

#include <set>

#include "platform/linux/desktop/NotificationSettings.h"
#include "platform/linux/system/OsRelease.h"
#include "support/FixtureTree.h"

namespace tv::linux_os {
namespace {

TEST(OsReleaseTest, DistributionAndKernelFromTheirFiles) {
    test::FixtureTree tree;
    EXPECT_EQ(osVersion(tree.root()), "Linux");
    tree.write("proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
    tree.write("usr/lib/os-release",
               "NAME=Debian\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    EXPECT_EQ(osVersion(tree.root()), "Debian GNU/Linux 12 (bookworm), kernel 6.1.0-18-amd64");
    // /etc wins; quoting undone; control characters and overlong names cut.
    tree.write("etc/os-release", "PRETTY_NAME='Arch \"Linux\"'\n");
    EXPECT_EQ(osVersion(tree.root()), "Arch \"Linux\", kernel 6.1.0-18-amd64");
    tree.write("etc/os-release", "PRETTY_NAME=\"Evil\\\"\x1b[2J" + std::string(300, 'x') + "\"\n");
    std::string evil = osVersion(tree.root());
    EXPECT_EQ(evil.find('\x1b'), std::string::npos);
    EXPECT_EQ(evil, "Evil\"[2J" + std::string(112, 'x') + ", kernel 6.1.0-18-amd64");
}

TEST(NotificationSettingsTest, EachDesktopItsOwnProgramWhenInstalled) {
    std::set<std::string> installed{"gnome-control-center", "systemsettings5",
                                    "xfce4-notifyd-config", "cinnamon-settings"};
    auto find = [&](const std::string& program) { return installed.count(program) > 0; };
    using Command = std::vector<std::string>;
    EXPECT_EQ(notificationSettingsCommand("ubuntu:GNOME", find),
              (Command{"gnome-control-center", "notifications"}));
    EXPECT_EQ(notificationSettingsCommand("KDE", find),
              (Command{"systemsettings5", "kcm_notifications"}));
    EXPECT_EQ(notificationSettingsCommand("XFCE", find), (Command{"xfce4-notifyd-config"}));
    EXPECT_EQ(notificationSettingsCommand("X-Cinnamon", find),
              (Command{"cinnamon-settings", "notifications"}));
    EXPECT_TRUE(notificationSettingsCommand("sway", find).empty());
    EXPECT_TRUE(notificationSettingsCommand("", find).empty());
    installed.clear();
    EXPECT_TRUE(notificationSettingsCommand("GNOME", find).empty()) << "hidden when not installed";
}

}  // namespace
}  // namespace tv::linux_os
