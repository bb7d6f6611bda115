// Who plays the desktop session's roles, asked of a real desktop: an X server with a window
// manager and a tray host, a notification server on the session bus, a sound server and a
// stand-in for a Wayland compositor listening on its socket.
#include "platform/linux/desktop/LinuxSessionRoles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <map>

#include "support/DesktopRig.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using linux_os::LinuxSessionRoles;
using test::DesktopRig;
using test::Spawned;
using test::waitFor;

TEST(LinuxSessionRoles, TheDesktopNamesItsRolePlayersAndNobodyElse) {
    DesktopRig rig{{"wm", "tray", "notifications", "pulse"}};
    ASSERT_TRUE(rig.started()) << "the desktop rig did not start";
    std::map<std::string, std::int32_t> started;  // by short name
    std::ifstream pids(rig.dir() + "/pids");
    for (std::int32_t pid = 0; pids >> pid;) {
        started[test::commOf(pid)] = pid;
    }
    QTemporaryDir runtime;
    std::string wayland = runtime.filePath("wayland-1").toStdString();
    Spawned compositor({"python3", "-c",
                        "import socket,sys,time\n"
                        "s=socket.socket(socket.AF_UNIX)\ns.bind(sys.argv[1])\ns.listen()\n"
                        "time.sleep(600)\n",
                        wayland});
    ASSERT_TRUE(waitFor(10, [&] { return std::filesystem::exists(wayland); }));

    std::string pulse = rig.env("PULSE_SERVER").substr(std::string("unix:").size());
    LinuxSessionRoles roles({rig.env("DISPLAY"),
                             rig.env("DBUS_SESSION_BUS_ADDRESS"),
                             {pulse, runtime.filePath("nothing").toStdString()},
                             std::chrono::milliseconds(0),
                             wayland});
    std::set<std::int32_t> expected{started["openbox"],     started["trayer"],     started["dunst"],
                                    started["dbus-daemon"], started["pulseaudio"], compositor.pid(),
                                    started["Xvfb"]};
    std::set<std::int32_t> found;
    EXPECT_TRUE(waitFor(15,
                        [&] {
                            found = roles.pids();
                            return found == expected;
                        }))
        << found.size() << " found, " << roles.describe();
    EXPECT_EQ(found.count(::getpid()), 0u);
    // The servers the session runs on: the X server of its display (the peer of the
    // connection to it) and the compositor serving the Wayland display.
    EXPECT_EQ(roles.displayServers(), (std::set<std::int32_t>{started["Xvfb"], compositor.pid()}));
}

TEST(LinuxSessionRoles, NoDesktopNamesNobody) {
    LinuxSessionRoles roles({"", "", {"/nonexistent/socket"}, std::chrono::milliseconds(0)});
    EXPECT_TRUE(roles.pids().empty());
    EXPECT_TRUE(roles.displayServers().empty());
    EXPECT_NE(roles.describe().find("nothing answered"), std::string::npos);
}

}  // namespace
}  // namespace tv
