// The process reader on real processes of this machine.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/linux/desktop/LinuxSessionRoles.h"
#include "platform/linux/desktop/X11AppWindows.h"
#include "platform/linux/proc/LinuxProcessSource.h"
#include "readers/ProcessReader.h"
#include "support/DesktopRig.h"
#include "support/FixtureTree.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using namespace linux_os;
using test::descendantsOf;
using test::DesktopRig;
using test::FixtureTree;
using test::Spawned;
using test::waitFor;

// A private applications folder, so the tests decide which programs are desktop apps.
class LiveProcesses : public testing::Test {
  protected:
    std::unique_ptr<LinuxProcessSource> source(
        std::shared_ptr<SessionRoles> roles = nullptr,
        std::optional<SessionMembership> session = std::nullopt) {
        auto entries =
            std::make_shared<DesktopEntries>(std::vector<std::string>{tree.root() + "/share"},
                                             std::vector<std::string>{tree.root() + "/bin"}, "C");
        // TallyVane's own children are the system's (its watchdog); these tests' children
        // stand for other programs, so the source takes someone else to be TallyVane.
        return std::make_unique<LinuxProcessSource>(
            LinuxProcessSource::Options{"/", ::getuid(), notUs, true, std::move(roles),
                                        std::move(session)},
            entries);
    }
    static const ProcessUsage* rowWith(const std::vector<ProcessUsage>& rows, pid_t pid) {
        for (const ProcessUsage& row : rows) {
            if (std::find(row.pids.begin(), row.pids.end(), pid) != row.pids.end()) {
                return &row;
            }
        }
        return nullptr;
    }
    void desktop(const std::string& id, const std::string& name, const std::string& exec) {
        tree.write("share/applications/" + id + ".desktop",
                   "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\n");
    }
    std::optional<pid_t> childNamed(pid_t ancestor, const std::string& comm) {
        std::optional<pid_t> found;
        waitFor(5, [&] {
            for (pid_t pid : descendantsOf(ancestor)) {
                if (test::commOf(pid) == comm) {
                    found = pid;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    FixtureTree tree;
    static constexpr pid_t notUs = 0x7FFFFFF0;
};

// Memory is read again for a process that ran since the last pass, and every few passes for
// one that did not: one that takes memory is seen at its new size at the next pass, an idle
// one keeps its size, and a pid given to another process is met as a newcomer.
TEST_F(LiveProcesses, WhatRanIsMeasuredAgainAndAPidGivenToAnotherIsANewcomer) {
    auto s = source();
    auto pass = [&](pid_t pid) {
        auto use = s->use(pid);
        s->passDone();
        return use;
    };
    // Takes 16 MiB more every tenth of a second, up to 240.
    Spawned grower({"python3", "-c",
                    "import time\nheld = []\nfor _ in range(15):\n"
                    "    held.append(bytearray(16 << 20))\n    time.sleep(0.1)\ntime.sleep(60)"});
    auto sleeper = std::make_unique<Spawned>(std::vector<std::string>{"sleep", "60"});
    const pid_t idle = sleeper->pid();
    ASSERT_TRUE(waitFor(5, [&] { return test::processState(idle) == 'S'; }));
    auto before = s->use(grower.pid());
    auto idleBefore = pass(idle);
    ASSERT_TRUE(before && idleBefore);
    EXPECT_TRUE(waitFor(10, [&] {
        auto after = s->use(grower.pid());
        return after && after->footprint >= before->footprint + (32u << 20);
    })) << "it ran, so it is read";
    for (int i = 0; i < 9; ++i) {
        auto again = pass(idle);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->footprint, idleBefore->footprint);
        EXPECT_EQ(again->started, idleBefore->started);
    }

    sleeper.reset();
    // Start times count in clock ticks: the later process starts at least a tick afterwards.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    auto later = test::spawnWithPid(
        idle, {"python3", "-c", "import time\nheld = bytearray(48 << 20)\ntime.sleep(60)"});
    if (!later) {
        GTEST_SKIP() << "cannot choose the next pid here (needs root)";
    }
    ASSERT_TRUE(waitFor(5, [&] {
        auto use = pass(idle);
        return use && use->started != idleBefore->started && use->footprint >= (48u << 20);
    })) << "the newcomer, at its own size";
}

TEST_F(LiveProcesses, AnAppAndItsHelpersFormOneRowWithTheirCPU) {
    // A copy of the system shell under another name stands in for an application.
    std::string app = tree.root() + "/bin/fakeapp";
    std::filesystem::create_directories(tree.root() + "/bin");
    std::filesystem::copy_file("/bin/sh", app);
    std::filesystem::permissions(app, std::filesystem::perms::owner_all);
    desktop("org.example.Fake", "Fake App", app + " %U");

    Spawned parent({app, "-c", "sleep 60 & while :; do :; done & wait"});
    ASSERT_TRUE(waitFor(5, [&] { return descendantsOf(parent.pid()).size() >= 2; }));

    ProcessReader reader(source());
    reader.read();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    auto rows = reader.read();
    std::string id = "app:" + tree.root() + "/share/applications/org.example.Fake.desktop";
    auto row =
        std::find_if(rows.begin(), rows.end(), [&](const ProcessUsage& r) { return r.id == id; });
    ASSERT_NE(row, rows.end());
    EXPECT_EQ(row->name, "Fake App");
    EXPECT_EQ(row->count, 3);
    std::vector<std::int32_t> expected{parent.pid()};
    for (pid_t child : descendantsOf(parent.pid())) {
        expected.push_back(child);
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::int32_t> pids = row->pids;
    std::sort(pids.begin(), pids.end());
    EXPECT_EQ(pids, expected);
    // One helper burns a core; on a shared machine it gets most of one.
    EXPECT_GT(row->cpu, 50);
    EXPECT_LT(row->cpu, 115);
    EXPECT_FALSE(row->system);
}

TEST_F(LiveProcesses, AnAppWhoseEntryStartsAWrapperScriptIsOneRow) {
    // Installed as browsers and editors are: the entry starts a script on the search path,
    // which finds the real program beside itself and hands over to it; the program starts
    // helpers.
    std::filesystem::create_directories(tree.root() + "/lib/fakeapp");
    std::string binary = tree.root() + "/lib/fakeapp/fakeapp";
    std::filesystem::copy_file("/bin/sh", binary);
    std::filesystem::permissions(binary, std::filesystem::perms::owner_all);
    tree.write("lib/fakeapp/launch",
               "#!/bin/sh\n"
               "exec \"$(dirname \"$(readlink -f \"$0\")\")/fakeapp\" \"$@\"\n");
    std::filesystem::permissions(tree.root() + "/lib/fakeapp/launch",
                                 std::filesystem::perms::owner_all);
    std::filesystem::create_directories(tree.root() + "/bin");
    std::filesystem::create_symlink(tree.root() + "/lib/fakeapp/launch",
                                    tree.root() + "/bin/fakeapp");
    desktop("org.example.Wrapped", "Wrapped App", "fakeapp %U");

    Spawned app({tree.root() + "/bin/fakeapp", "-c", "sleep 60 & sleep 60 & wait"});
    ASSERT_TRUE(waitFor(5, [&] { return descendantsOf(app.pid()).size() >= 2; }));
    ASSERT_EQ(test::commOf(app.pid()), "fakeapp") << "the script handed over to the program";
    auto src = source();
    std::string id = "app:" + tree.root() + "/share/applications/org.example.Wrapped.desktop";
    ProcessIdentity main = src->identify(app.pid());
    EXPECT_EQ(main.key, id);
    EXPECT_EQ(main.name, "Wrapped App");
    for (pid_t helper : descendantsOf(app.pid())) {
        EXPECT_EQ(src->identify(helper).key, id) << "a helper makes a row of its own";
    }
}

TEST_F(LiveProcesses, OnADesktopWithoutAppUnitsAnAppsWindowTiesItToItsEntry) {
    // An openbox desktop: nothing starts apps in units of their own. The entry starts a script
    // that hands over to the program in a way no file tells; the program's window has the
    // class the entry names.
    DesktopRig rig{{"wm"}};
    ASSERT_TRUE(rig.started()) << rig.failure();
    std::filesystem::create_directories(tree.root() + "/lib/viewer");
    std::filesystem::copy_file(TALLYVANE_TEST_FRONT, tree.root() + "/lib/viewer/run-viewer");
    std::filesystem::permissions(tree.root() + "/lib/viewer/run-viewer",
                                 std::filesystem::perms::owner_all);
    tree.write("bin/viewer",
               "#!/bin/sh\nsleep 1\ncd \"$VIEWER_HOME\" && exec ./run-viewer \"$@\"\n");
    std::filesystem::permissions(tree.root() + "/bin/viewer", std::filesystem::perms::owner_all);
    tree.write("share/applications/org.example.Viewer.desktop",
               "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer\n"
               "StartupWMClass=Front\n");
    Spawned viewer({"env", "DISPLAY=" + rig.env("DISPLAY"),
                    "VIEWER_HOME=" + tree.root() + "/lib/viewer", tree.root() + "/bin/viewer",
                    "Viewer"});
    auto windows =
        std::make_shared<linux_os::X11AppWindows>(rig.env("DISPLAY"), std::chrono::milliseconds(0));
    auto entries =
        std::make_shared<DesktopEntries>(std::vector<std::string>{tree.root() + "/share"},
                                         std::vector<std::string>{tree.root() + "/bin"}, "C");
    ProcessReader reader(std::make_unique<LinuxProcessSource>(
        LinuxProcessSource::Options{"/", ::getuid(), notUs, true, nullptr, std::nullopt, windows},
        entries));
    // Met first while it is still the script, before it shows its window.
    pid_t app = viewer.pid();  // the script hands its process over to the program
    ASSERT_TRUE(waitFor(5, [&] { return test::commOf(app) == "viewer"; }));
    reader.read();
    ASSERT_TRUE(waitFor(10, [&] { return windows->classesByPid().count(app) > 0; }))
        << "the window never showed";
    std::string id = "app:" + tree.root() + "/share/applications/org.example.Viewer.desktop";
    std::vector<ProcessUsage> rows;
    EXPECT_TRUE(waitFor(5, [&] {
        rows = reader.read();
        const ProcessUsage* row = rowWith(rows, app);
        return row != nullptr && row->id == id;
    })) << "its window did not make it the app";
    const ProcessUsage* row = rowWith(rows, app);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->name, "Viewer");
}

TEST_F(LiveProcesses, ACommandTypedAtAnInteractiveShellIsTypedButOneFromAScriptIsNot) {
    Spawned typed(
        {"script", "-q", "-c", "bash --norc --noprofile -i -c 'sleep 60; :'", "/dev/null"});
    Spawned scripted({"/bin/sh", "-c", "sleep 60; :"});
    auto typedSleep = childNamed(typed.pid(), "sleep");
    auto scriptedSleep = childNamed(scripted.pid(), "sleep");
    ASSERT_TRUE(typedSleep && scriptedSleep);
    auto src = source();
    EXPECT_TRUE(src->identify(*typedSleep).typed);
    EXPECT_FALSE(src->identify(*scriptedSleep).typed);
    EXPECT_EQ(src->identify(*typedSleep).key, "pid:" + std::to_string(*typedSleep));
}

TEST_F(LiveProcesses, AScriptIsNamedAfterItsInterpreterAndScript) {
    tree.write("server.py", "import time\ntime.sleep(60)\n");
    // The interpreter itself, not a version manager's shim in front of it.
    std::string interpreter = test::outputOf("python3 -c 'import sys; print(sys.executable)'");
    ASSERT_FALSE(interpreter.empty());
    Spawned python({"python3", "-u", tree.root() + "/server.py"}, interpreter);
    ASSERT_TRUE(waitFor(10, [&] { return test::commOf(python.pid()).rfind("python", 0) == 0; }));
    EXPECT_EQ(source()->identify(python.pid()).name, "python3 server.py");
}

TEST_F(LiveProcesses, AnotherUsersProcessIsTheSystems) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to start a process as another user";
    }
    Spawned other({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "sleep", "60"});
    ASSERT_TRUE(waitFor(5, [&] { return test::commOf(other.pid()) == "sleep"; }));
    EXPECT_TRUE(source()->identify(other.pid()).system);
}

// Where a cgroup v2 hierarchy is mounted, if anywhere.
std::optional<std::string> unifiedCgroupMount() {
    std::ifstream mounts("/proc/self/mounts");
    std::string device, point, type;
    std::string rest;
    while (mounts >> device >> point >> type && std::getline(mounts, rest)) {
        if (type == "cgroup2") {
            return point;
        }
    }
    return std::nullopt;
}

TEST_F(LiveProcesses, AProcessInAnApplicationsUnitBecomesThatApp) {
    auto mount = unifiedCgroupMount();
    if (::geteuid() != 0 || !mount) {
        GTEST_SKIP() << "needs root and a cgroup v2 hierarchy";
    }
    std::string unit =
        *mount + "/app-tvtest-org.example.Scoped-" + std::to_string(::getpid()) + ".scope";
    std::error_code error;
    std::filesystem::create_directory(unit, error);
    if (error) {
        GTEST_SKIP() << "cannot create a cgroup here: " << error.message();
    }
    desktop("org.example.Scoped", "Scoped", "scoped");
    {
        Spawned sleeper({"sleep", "60"});
        ASSERT_TRUE(waitFor(5, [&] { return test::commOf(sleeper.pid()) == "sleep"; }));
        std::ofstream(unit + "/cgroup.procs") << sleeper.pid() << std::flush;
        ProcessIdentity identity = source()->identify(sleeper.pid());
        EXPECT_EQ(identity.key,
                  "app:" + tree.root() + "/share/applications/org.example.Scoped.desktop");
        EXPECT_EQ(identity.name, "Scoped");
    }
    waitFor(5, [&] { return ::rmdir(unit.c_str()) == 0; });
}

TEST_F(LiveProcesses, ACommandTypedInATerminalsOwnUnitIsNotTheTerminals) {
    auto mount = unifiedCgroupMount();
    if (::geteuid() != 0 || !mount) {
        GTEST_SKIP() << "needs root and a cgroup v2 hierarchy";
    }
    std::string unit =
        *mount + "/app-tvtest-org.example.Term-" + std::to_string(::getpid()) + ".scope";
    std::error_code error;
    std::filesystem::create_directory(unit, error);
    if (error) {
        GTEST_SKIP() << "cannot create a cgroup here: " << error.message();
    }
    desktop("org.example.Term", "Term", "term");
    {
        // The terminal enters its unit before it starts its shell; the shell and what is
        // typed there inherit the unit. script runs its command through $SHELL, and dash
        // would stay between the terminal and the shell; bash hands over to the command.
        Spawned terminal({"sh", "-c",
                          "echo $$ > " + unit +
                              "/cgroup.procs && SHELL=/bin/bash exec script -q -c "
                              "\"bash --norc --noprofile -i -c 'sleep 60; :'\" /dev/null"});
        auto typed = childNamed(terminal.pid(), "sleep");
        auto shell = childNamed(terminal.pid(), "bash");
        ASSERT_TRUE(typed && shell);
        auto src = source();
        std::string term = "app:" + tree.root() + "/share/applications/org.example.Term.desktop";
        EXPECT_EQ(src->identify(terminal.pid()).key, term);
        EXPECT_EQ(src->identify(*shell).key, term);
        ProcessIdentity command = src->identify(*typed);
        EXPECT_EQ(command.key, "pid:" + std::to_string(*typed));
        EXPECT_EQ(command.name, "sleep");
        EXPECT_TRUE(command.typed);
        EXPECT_FALSE(src->identify(terminal.pid()).typed);
    }
    waitFor(5, [&] { return ::rmdir(unit.c_str()) == 0; });
}

TEST_F(LiveProcesses, ProcessesOfTheUsersOtherSessionsAreNotThisDesktopsApps) {
    auto session = SessionMembership({"", ":5", "", ""});
    Spawned desktopApp({"env", "-i", "DISPLAY=:5", "sleep", "60"});
    Spawned otherLogin({"env", "-i", "DISPLAY=:6", "sleep", "60"});
    Spawned sshLogin({"env", "-i", "SSH_CONNECTION=192.0.2.7 40000 192.0.2.1 22", "sleep", "60"});
    for (pid_t pid : {desktopApp.pid(), otherLogin.pid(), sshLogin.pid()}) {
        ASSERT_TRUE(waitFor(5, [&] { return test::commOf(pid) == "sleep"; }));
    }
    // A tmux server started from an SSH login, and what runs in it.
    std::string socket = "tv-session-" + std::to_string(::getpid());
    std::string tmux =
        "env -i PATH=/usr/bin:/bin SSH_CONNECTION='192.0.2.7 40000 192.0.2.1 22' "
        "tmux -L " +
        socket + " -f /dev/null ";
    ASSERT_EQ(std::system((tmux + "new-session -d 'sleep 60'").c_str()), 0);
    std::string serverPid = test::outputOf(tmux + "display-message -p '#{pid}'");
    std::string panePid = test::outputOf(tmux + "list-panes -F '#{pane_pid}'");
    auto src = source(nullptr, session);
    EXPECT_FALSE(src->identify(desktopApp.pid()).system);
    EXPECT_TRUE(src->identify(otherLogin.pid()).system) << "another graphical login's";
    EXPECT_TRUE(src->identify(sshLogin.pid()).system) << "an SSH login's";
    ASSERT_FALSE(serverPid.empty());
    ASSERT_FALSE(panePid.empty());
    EXPECT_TRUE(src->identify(std::stoi(serverPid)).system) << "a tmux server started there";
    EXPECT_TRUE(src->identify(std::stoi(panePid)).system) << "a command running in it";
    ::kill(std::stoi(serverPid), SIGTERM);
    waitFor(5, [&] { return test::commOf(std::stoi(serverPid)).empty(); });
}

TEST_F(LiveProcesses, TheXServerAndTheCompositorAreNeverListed) {
    DesktopRig rig{{"wm"}};
    ASSERT_TRUE(rig.started()) << rig.failure();
    pid_t xserver = 0;
    std::ifstream pids(rig.dir() + "/pids");
    for (pid_t pid = 0; pids >> pid;) {
        if (test::commOf(pid) == "Xvfb") {
            xserver = pid;
        }
    }
    ASSERT_GT(xserver, 0);
    // A stand-in for a Wayland compositor, listening on its display's socket.
    std::string wayland = tree.root() + "/wayland-9";
    Spawned compositor({"python3", "-c",
                        "import socket,sys,time\n"
                        "s=socket.socket(socket.AF_UNIX)\ns.bind(sys.argv[1])\ns.listen()\n"
                        "b=b'x'*(30*1024*1024)\ntime.sleep(600)\n",
                        wayland});
    ASSERT_TRUE(waitFor(10, [&] { return std::filesystem::exists(wayland); }));
    linux_os::LinuxSessionRoles::Options options;
    options.display = rig.env("DISPLAY");
    options.refreshEvery = std::chrono::milliseconds(0);
    options.compositorSocket = wayland;
    auto roles = std::make_shared<linux_os::LinuxSessionRoles>(options);
    ProcessReader reader(source(roles));
    auto rows = reader.read();
    EXPECT_EQ(rowWith(rows, xserver), nullptr) << "the X server is listed as an app";
    EXPECT_EQ(rowWith(rows, compositor.pid()), nullptr) << "the compositor is listed as an app";
    auto identity = reader.identityOf(xserver);
    ASSERT_TRUE(identity.has_value());
    EXPECT_TRUE(identity->system);
    EXPECT_TRUE(identity->foreign);
    EXPECT_TRUE(reader.identityOf(compositor.pid())->system);
}

TEST_F(LiveProcesses, AnotherUsersBusyProcessCountsInNoRowOfOurs) {
    // A throw-away second user, made once.
    if (::geteuid() != 0 ||
        std::system("id tv-h1 >/dev/null 2>&1 || useradd -r -M -s /usr/sbin/nologin tv-h1") != 0) {
        GTEST_SKIP() << "needs root to run a process as another user";
    }
    Spawned ours({"sh", "-c", "while :; do :; done"});
    Spawned theirs({"setpriv", "--reuid=tv-h1", "--regid=tv-h1", "--clear-groups", "sh", "-c",
                    "while :; do :; done"});
    ASSERT_TRUE(waitFor(5, [&] {
        return std::system(
                   ("test \"$(stat -c %U /proc/" + std::to_string(theirs.pid()) + ")\" = tv-h1")
                       .c_str()) == 0;
    }));
    ProcessReader reader(source());
    reader.read();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    auto rows = reader.read();
    auto holds = [&](pid_t pid) {
        return std::any_of(rows.begin(), rows.end(), [&](const ProcessUsage& row) {
            return std::find(row.pids.begin(), row.pids.end(), pid) != row.pids.end();
        });
    };
    EXPECT_TRUE(holds(ours.pid()));
    EXPECT_FALSE(holds(theirs.pid())) << "your apps only";
}

}  // namespace
}  // namespace tv
