#include "platform/linux/desktop/LinuxDesktopApps.h"

#include <gtest/gtest.h>

#include "support/FixtureTree.h"

namespace tv {
namespace {

using linux_os::LinuxDesktopApps;

TEST(DesktopAppsTest, FindsTheInstalledSystemMonitorAndAnAppsIcon) {
    test::FixtureTree own, shared;
    LinuxDesktopApps none({own.root(), shared.root()});
    EXPECT_FALSE(none.systemMonitor()) << "the button is hidden without one";

    shared.write("applications/xfce4-taskmanager.desktop",
                 "[Desktop Entry]\nName=Task Manager\nExec=xfce4-taskmanager\n");
    shared.write("applications/org.gnome.SystemMonitor.desktop",
                 "[Desktop Entry]\nHidden=true\nExec=gnome-system-monitor\n");
    own.write("applications/editor.desktop",
              "[Desktop Action New]\nIcon=wrong\n[Desktop Entry]\nIcon = text-editor\r\n");
    LinuxDesktopApps apps({own.root(), shared.root()});
    EXPECT_EQ(apps.systemMonitor(), shared.root() + "/applications/xfce4-taskmanager.desktop")
        << "a hidden entry does not count";
    EXPECT_EQ(apps.iconOf(own.root() + "/applications/editor.desktop"), "text-editor");
    EXPECT_FALSE(apps.iconOf(own.root() + "/applications/missing.desktop"));

    EXPECT_EQ(LinuxDesktopApps::execArguments("\"/opt/My App/run\" --new %U -x"),
              (std::vector<std::string>{"/opt/My App/run", "--new", "-x"}));
}

}  // namespace
}  // namespace tv
