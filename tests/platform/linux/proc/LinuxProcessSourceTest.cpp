#include "platform/linux/proc/LinuxProcessSource.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "core/Culprits.h"
#include "platform/linux/proc/ThreadDemand.h"
#include "readers/ProcessReader.h"
#include "support/FixtureTree.h"

namespace tv {
namespace {

using namespace linux_os;
using test::FixtureTree;

struct FakeProcess {
    std::int32_t pid;
    std::string comm;
    std::int32_t ppid = 1;
    std::int32_t pgrp = 0;  // 0: its own pid
    std::string exe;        // a path inside the tree, "" for none
    std::vector<std::string> args;
    std::string cgroup = "/user.slice/user-1000.slice/session-2.scope";
    unsigned flags = 0;
    long nice = 0;
    unsigned policy = 0;
    std::uint64_t rssAnonKiB = 30'000;
    std::uint64_t swapKiB = 0;
    std::uint64_t started = 5000;  // clock ticks after boot
    std::string environ{};         // "KEY=value" entries separated by NULs; none when empty
    std::uint64_t utime = 100;     // clock ticks
};

// The desktop's answer to who plays the session's roles.
class FixedRoles : public SessionRoles {
  public:
    explicit FixedRoles(std::set<std::int32_t> pids, std::set<std::int32_t> servers = {})
        : pids_(std::move(pids)), servers_(std::move(servers)) {}
    const std::set<std::int32_t>& pids() override { return pids_; }
    const std::set<std::int32_t>& displayServers() override { return servers_; }
    std::string describe() override { return "fixed"; }

  private:
    std::set<std::int32_t> pids_;
    std::set<std::int32_t> servers_;
};

// The desktop's answer to which process shows a window of which class.
class FixedWindows : public AppWindows {
  public:
    const std::map<std::int32_t, std::vector<std::string>>& classesByPid() override {
        return classes;
    }
    std::map<std::int32_t, std::vector<std::string>> classes;
};

// A /proc tree with processes, desktop files under usr/share and programs under usr/bin.
class ProcTree : public testing::Test {
  protected:
    void add(const FakeProcess& p) {
        std::string dir = "proc/" + std::to_string(p.pid) + "/";
        tree.write(dir + "stat",
                   std::to_string(p.pid) + " (" + p.comm + ") S " + std::to_string(p.ppid) + " " +
                       std::to_string(p.pgrp ? p.pgrp : p.pid) + " 1 0 -1 " +
                       std::to_string(p.flags) + " 0 0 0 0 " + std::to_string(p.utime) +
                       " 50 0 0 20 " + std::to_string(p.nice) + " 1 0 " +
                       std::to_string(p.started) + " 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 17 0 0 " +
                       std::to_string(p.policy) + " 0 0 0\n");
        tree.write(dir + "status", "Name:\t" + p.comm + "\nRssAnon:\t" +
                                       std::to_string(p.rssAnonKiB) + " kB\nRssFile:\t 999 kB\n" +
                                       "VmSwap:\t" + std::to_string(p.swapKiB) + " kB\n");
        std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
        std::uint64_t anonPages = p.rssAnonKiB * 1024 / page;
        tree.write(dir + "statm", std::to_string(anonPages + 9000) + " " +
                                      std::to_string(anonPages + 300) + " 300 10 0 500 0\n");
        std::string cmdline;
        for (const std::string& arg : p.args) {
            cmdline += arg + '\0';
        }
        tree.write(dir + "cmdline", cmdline);
        tree.write(dir + "cgroup", "0::" + p.cgroup + "\n");
        if (!p.environ.empty()) {
            tree.write(dir + "environ", p.environ);
        }
        if (!p.exe.empty()) {
            std::filesystem::create_symlink(tree.root() + "/" + p.exe,
                                            tree.root() + "/" + dir + "exe");
        }
    }
    void desktop(const std::string& id, const std::string& name, const std::string& exec) {
        tree.write("usr/share/applications/" + id + ".desktop",
                   "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\n");
    }
    // A program file of the tree, executable; a binary (not a script) unless `text` says
    // otherwise.
    void program(const std::string& path, const std::string& text = std::string("\x7f"
                                                                                "ELF",
                                                                                4)) {
        tree.write(path, text);
        std::filesystem::permissions(tree.root() + "/" + path, std::filesystem::perms::owner_all);
    }
    std::shared_ptr<DesktopEntries> entries() {
        return std::make_shared<DesktopEntries>(
            std::vector<std::string>{tree.root() + "/usr/share"},
            std::vector<std::string>{tree.root() + "/usr/bin"}, "C");
    }
    LinuxProcessSource source(std::shared_ptr<SessionRoles> roles = nullptr,
                              std::optional<SessionMembership> session = std::nullopt) {
        return LinuxProcessSource(
            {tree.root(), ::getuid(), self, false, std::move(roles), std::move(session)},
            entries());
    }
    // One pass of a reader over the tree, as the panel would list it.
    std::vector<ProcessUsage> rows(std::shared_ptr<SessionRoles> roles = nullptr) {
        ProcessReader reader(std::make_unique<LinuxProcessSource>(
            LinuxProcessSource::Options{tree.root(), ::getuid(), self, false, std::move(roles)},
            entries()));
        return reader.read();
    }
    static const ProcessUsage* rowWith(const std::vector<ProcessUsage>& rows, std::int32_t pid) {
        for (const ProcessUsage& row : rows) {
            if (std::find(row.pids.begin(), row.pids.end(), pid) != row.pids.end()) {
                return &row;
            }
        }
        return nullptr;
    }

    FixtureTree tree;
    std::int32_t self = 9000;
};

TEST_F(ProcTree, AnAppUnitFoldsItsProcessesIntoTheDesktopApplication) {
    desktop("org.example.Editor", "Editor", "editor %U");
    std::string scope =
        "/user.slice/user-1000.slice/user@1000.service/app.slice/"
        "app-gnome-org.example.Editor-4242.scope";
    add({100, "editor", 1, 0, "", {"/opt/editor/editor"}, scope});
    add({101, "editor-helper", 100, 100, "", {"/opt/editor/helper", "--type=gpu"}, scope});
    auto src = source();
    ProcessIdentity a = src.identify(100), b = src.identify(101);
    std::string path = tree.root() + "/usr/share/applications/org.example.Editor.desktop";
    EXPECT_EQ(a.key, "app:" + path);
    EXPECT_EQ(a.app, path);
    EXPECT_EQ(a.name, "Editor");
    EXPECT_EQ(b.key, a.key);
    EXPECT_FALSE(a.system);
}

TEST_F(ProcTree, TheTopMostAncestorRunningADesktopProgramClaimsItsSubtree) {
    desktop("editor", "Editor", "editor");
    tree.write("usr/bin/editor", "");
    tree.write("usr/bin/sleep", "");
    add({300, "editor", 1, 0, "usr/bin/editor", {"editor"}});
    add({301, "editor", 300, 300, "usr/bin/editor", {"editor", "--child"}});
    add({302, "sleep", 301, 300, "usr/bin/sleep", {"sleep", "5"}});
    add({303, "bash", 300, 303, "usr/bin/bash", {"bash"}});
    add({304, "make", 303, 304, "usr/bin/make", {"make", "-j4"}});
    auto src = source();
    std::string key = "app:" + tree.root() + "/usr/share/applications/editor.desktop";
    EXPECT_EQ(src.identify(300).key, key);
    EXPECT_EQ(src.identify(301).key, key);
    EXPECT_EQ(src.identify(302).key, key);
    // A shell is a boundary: it and what was typed into it stand alone.
    EXPECT_EQ(src.identify(303).key, "pid:303");
    ProcessIdentity make = src.identify(304);
    EXPECT_EQ(make.key, "pid:304");
    EXPECT_EQ(make.name, "make");
    EXPECT_TRUE(make.typed);
    EXPECT_FALSE(src.identify(302).typed);  // same group as its parent
}

TEST_F(ProcTree, ACommandTypedInATerminalsOwnUnitIsItsOwnTypedRow) {
    // A terminal started by the desktop keeps its shells in its own unit; what is typed there
    // runs in that unit too.
    desktop("kitty", "kitty", "kitty");
    std::string scope =
        "/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-kitty-7.scope";
    add({100, "kitty", 1, 0, "", {"kitty"}, scope, 0, 0, 0, 60'000});
    add({101, "zsh", 100, 101, "", {"-zsh"}, scope, 0, 0, 0, 5'000});
    add({102, "make", 101, 102, "", {"make", "-j2"}, scope, 0, 0, 0, 20'000});
    add({103, "cc1plus", 102, 102, "", {"cc1plus", "big.cpp"}, scope, 0, 0, 0, 900'000});
    add({104, "python3", 101, 104, "", {"python3", "train.py"}, scope, 0, 0, 0, 700'000});
    auto src = source();
    std::string kitty = "app:" + tree.root() + "/usr/share/applications/kitty.desktop";
    EXPECT_EQ(src.identify(100).key, kitty);
    EXPECT_EQ(src.identify(101).key, kitty) << "the terminal's own shell stays with it";
    ProcessIdentity make = src.identify(102);
    EXPECT_EQ(make.key, "pid:102");
    EXPECT_EQ(make.name, "make");
    EXPECT_TRUE(make.typed);
    EXPECT_EQ(src.identify(103).key, "pid:103") << "what a typed command starts is not the "
                                                   "terminal's either";
    EXPECT_EQ(src.identify(104).name, "python3 train.py");

    auto listed = rows();
    const ProcessUsage* terminal = rowWith(listed, 100);
    ASSERT_NE(terminal, nullptr);
    EXPECT_EQ(terminal->pids, (std::vector<std::int32_t>{100, 101}));
    EXPECT_FALSE(terminal->typed) << "the terminal is not a typed command";
    // The memory alert names the command using the memory, not the terminal it was typed in.
    auto most = usingMostMemory(listed);
    ASSERT_TRUE(most.has_value());
    EXPECT_EQ(most->id, "pid:103");
    EXPECT_TRUE(rowWith(listed, 104)->typed);
}

TEST_F(ProcTree, AnAppStartedThroughAWrapperScriptIsItsDesktopEntry) {
    // As browsers and editors install: the entry starts a script, the script starts the
    // real program in its own folder, which starts helpers that rewrite their command lines.
    desktop("org.example.Browser", "Browser", "browser %U");
    program("opt/browser/browser-bin");
    program("opt/browser/browser",
            "#!/bin/sh\nHERE=\"$(dirname \"$(readlink -f \"$0\")\")\"\n"
            "/usr/bin/dirname \"$0\" >/dev/null\n"
            "exec -a \"$0\" \"$HERE/browser-bin\" \"$@\"\n");
    std::filesystem::create_directories(tree.root() + "/usr/bin");
    std::filesystem::create_symlink(tree.root() + "/opt/browser/browser",
                                    tree.root() + "/usr/bin/browser");
    add({200, "browser-bin", 1, 0, "opt/browser/browser-bin", {"/usr/bin/browser"}});
    add({201,
         "browser-bin",
         200,
         200,
         "opt/browser/browser-bin",
         {tree.root() + "/opt/browser/browser-bin --type=renderer --lang=en", "", "", ""}});
    auto src = source();
    std::string key = "app:" + tree.root() + "/usr/share/applications/org.example.Browser.desktop";
    EXPECT_EQ(src.identify(200).key, key);
    EXPECT_EQ(src.identify(201).key, key);
    auto listed = rows();
    ASSERT_EQ(listed.size(), 1u) << "one app, one row";
    EXPECT_EQ(listed[0].name, "Browser");
    EXPECT_EQ(listed[0].count, 2);
}

TEST_F(ProcTree, TheWindowsClassTiesAnAppToItsEntryWhereNoFileDoes) {
    // The entry starts a script that finds its program some way no file tells.
    tree.write("usr/share/applications/org.example.Viewer.desktop",
               "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %f\n"
               "StartupWMClass=ViewerMain\n");
    program("usr/bin/viewer", "#!/bin/sh\ncd \"$VIEWER_HOME\" && exec ./run-viewer \"$@\"\n");
    program("opt/viewer/run-viewer");
    add({700, "run-viewer", 1, 0, "opt/viewer/run-viewer", {"./run-viewer"}});
    add({701, "run-viewer", 700, 700, "opt/viewer/run-viewer", {"./run-viewer", "--gpu"}});
    auto windows = std::make_shared<FixedWindows>();
    LinuxProcessSource src({tree.root(), ::getuid(), self, false, nullptr, std::nullopt, windows},
                           entries());
    src.pids();
    EXPECT_EQ(src.identify(700).key, "pid:700") << "no window yet";
    EXPECT_FALSE(src.identitiesStale());
    src.passDone();
    windows->classes[700] = {"viewer-main", "ViewerMain"};
    src.pids();
    EXPECT_TRUE(src.identitiesStale()) << "the window's process must be worked out again";
    EXPECT_FALSE(src.identitiesStale()) << "once";
    std::string key = "app:" + tree.root() + "/usr/share/applications/org.example.Viewer.desktop";
    EXPECT_EQ(src.identify(700).key, key);
    EXPECT_EQ(src.identify(701).key, key) << "what the window's process started is the app's";
    src.passDone();
    src.pids();
    EXPECT_FALSE(src.identitiesStale()) << "the same windows change nothing";
}

TEST_F(ProcTree, LaunchersAndPanelsNeverClaimTheAppsTheyStart) {
    // The panel's settings entry starts the panel itself, hidden from menus.
    tree.write("usr/share/applications/panel-preferences.desktop",
               "[Desktop Entry]\nType=Application\nName=Panel Preferences\nNoDisplay=true\n"
               "Exec=xfce4-panel --preferences\n");
    desktop("ulauncher", "Ulauncher", "ulauncher --hide-window");
    desktop("mousepad", "Mousepad", "mousepad %F");
    desktop("firefox", "Firefox", "firefox %u");
    tree.write("usr/share/applications/handler.desktop",
               "[Desktop Entry]\nType=Application\nName=Some Handler\nNoDisplay=true\n"
               "Exec=handler %u\n");
    for (const char* name :
         {"xfce4-panel", "ulauncher", "mousepad", "firefox", "sleep", "backup", "handler"}) {
        program(std::string("usr/bin/") + name);
    }
    add({300, "xfce4-panel", 1, 0, "usr/bin/xfce4-panel", {"xfce4-panel"}});
    add({301, "mousepad", 300, 301, "usr/bin/mousepad", {"mousepad"}});
    add({302, "sleep", 300, 302, "usr/bin/sleep", {"sleep", "100"}});
    add({310, "ulauncher", 1, 0, "usr/bin/ulauncher", {"ulauncher"}});
    add({311, "firefox", 310, 311, "usr/bin/firefox", {"firefox"}});
    add({312, "firefox", 311, 311, "usr/bin/firefox", {"firefox", "-contentproc"}});
    add({313, "backup", 310, 313, "usr/bin/backup", {"backup"}});
    add({320, "handler", 1, 0, "usr/bin/handler", {"handler"}});
    add({330, "openbox", 1, 0, "", {"openbox"}});  // a window manager that starts apps
    add({331, "sleep", 330, 331, "usr/bin/sleep", {"sleep", "100"}});
    auto src = source(std::make_shared<FixedRoles>(std::set<std::int32_t>{330}));
    src.pids();
    auto app = [&](const std::string& id) {
        return "app:" + tree.root() + "/usr/share/applications/" + id + ".desktop";
    };
    EXPECT_EQ(src.identify(301).key, app("mousepad"));
    EXPECT_EQ(src.identify(302).key, "pid:302");
    EXPECT_EQ(src.identify(310).key, app("ulauncher")) << "a launcher is an app itself";
    EXPECT_EQ(src.identify(311).key, app("firefox"));
    EXPECT_EQ(src.identify(312).key, app("firefox"));
    EXPECT_EQ(src.identify(313).key, "pid:313");
    EXPECT_EQ(src.identify(320).key, "pid:320") << "an entry hidden from menus claims nothing";
    EXPECT_EQ(src.identify(331).key, "pid:331");
}

TEST_F(ProcTree, ACommandLineRewrittenIntoOneStringIsNamedAfterItsProgram) {
    program("opt/engine/engine");
    add({400,
         "engine",
         1,
         0,
         "opt/engine/engine",
         {tree.root() + "/opt/engine/engine --type=renderer --user-data-dir=/home/me/a b", "",
          ""}});
    add({401, "postgres", 1, 0, "", {"postgres: checkpointer", "", "", "", "", ""}});
    add({402, "sshd", 1, 0, "", {"sshd: me@pts/0"}});
    auto src = source();
    EXPECT_EQ(src.identify(400).name, "engine");
    EXPECT_EQ(src.identify(401).name, "postgres");
    EXPECT_EQ(src.identify(402).name, "sshd");
}

TEST_F(ProcTree, TheSessionsDisplayServersAreNeverTheUsersApps) {
    add({500, "Xvfb", 1, 0, "", {"Xvfb", ":5"}, "/user.slice", 0, 0, 0, 80'000});
    add({501, "Xwayland", 1, 0, "", {"Xwayland", ":1"}, "/user.slice", 0, 0, 0, 90'000});
    add({502, "picom", 1, 0, "", {"picom"}, "/user.slice", 0, 0, 0, 40'000});
    add({503, "editor", 1, 0, "", {"editor"}, "/user.slice", 0, 0, 0, 50'000});
    auto roles =
        std::make_shared<FixedRoles>(std::set<std::int32_t>{500, 502}, std::set<std::int32_t>{500});
    auto src = source(roles);
    src.pids();
    for (std::int32_t pid : {500, 501}) {
        ProcessIdentity server = src.identify(pid);
        EXPECT_TRUE(server.system) << pid;
        EXPECT_TRUE(server.foreign) << pid;
    }
    EXPECT_FALSE(src.identify(502).foreign) << "other role players are still listed";
    auto listed = rows(roles);
    EXPECT_EQ(rowWith(listed, 500), nullptr);
    EXPECT_EQ(rowWith(listed, 501), nullptr);
    ASSERT_NE(rowWith(listed, 502), nullptr);
    EXPECT_TRUE(rowWith(listed, 502)->system);
    ASSERT_NE(rowWith(listed, 503), nullptr);
}

TEST_F(ProcTree, OnlyThisGraphicalSessionsProcessesAreTheUsersToHoldOrQuit) {
    auto with = [](std::initializer_list<std::string> entries) {
        std::string text;
        for (const std::string& entry : entries) {
            text += entry + '\0';
        }
        return text;
    };
    std::string sessions = "/user.slice/user-1000.slice/";
    std::string apps = sessions + "user@1000.service/app.slice/app-org.example.Mail-3.scope";
    FakeProcess desktopApp{600, "mail", 1, 0, "", {"mail"}, apps};
    desktopApp.environ = with({"DISPLAY=:5.0", "WAYLAND_DISPLAY=wayland-1"});
    FakeProcess ownSession{601, "build", 1, 0, "", {"build"}, sessions + "session-4.scope"};
    FakeProcess sshLogin{602, "train", 1, 0, "", {"train"}, sessions + "session-9.scope"};
    FakeProcess noLoginManager{603, "tool", 1, 0, "", {"tool"}, "/user.slice"};
    noLoginManager.environ = with({"PATH=/bin", "DISPLAY=:5"});
    FakeProcess otherSeat{604, "game", 1, 0, "", {"game"}, "/user.slice"};
    otherSeat.environ = with({"DISPLAY=:6", "XDG_SESSION_TYPE=x11"});
    FakeProcess tmuxFromSsh{605, "tmux: server", 1, 0, "", {"tmux"}, "/user.slice"};
    tmuxFromSsh.environ = with({"SSH_CONNECTION=192.0.2.4 50022 192.0.2.1 22", "TERM=xterm"});
    FakeProcess forwarded{606, "xclock", 1, 0, "", {"xclock"}, "/user.slice"};
    forwarded.environ = with({"DISPLAY=localhost:10.0", "SSH_CONNECTION=192.0.2.4 5 192.0.2.1 22"});
    FakeProcess bare{607, "daemon", 1, 0, "", {"daemon"}, "/user.slice"};
    bare.environ = with({"PATH=/bin"});
    for (const FakeProcess& p : {desktopApp, ownSession, sshLogin, noLoginManager, otherSeat,
                                 tmuxFromSsh, forwarded, bare}) {
        add(p);
    }
    desktop("org.example.Mail", "Mail", "mail");
    auto src = source(nullptr, SessionMembership({"4", ":5", "wayland-1", ""}));
    EXPECT_FALSE(src.identify(600).system) << "an app the desktop started";
    EXPECT_FALSE(src.identify(601).system) << "a process of this login session";
    EXPECT_TRUE(src.identify(602).system) << "a process of another login session";
    EXPECT_FALSE(src.identify(603).system) << "naming this session's display";
    EXPECT_TRUE(src.identify(604).system) << "another seat's display";
    EXPECT_TRUE(src.identify(605).system) << "a tmux server started from an SSH login";
    EXPECT_TRUE(src.identify(606).system) << "forwarded to another machine's display";
    EXPECT_FALSE(src.identify(607).system) << "nothing says it is another session's";
    // Without a login manager the same is decided from what each process started with.
    auto noLogin = source(nullptr, SessionMembership({"", ":5", "", ""}));
    EXPECT_FALSE(noLogin.identify(603).system);
    EXPECT_TRUE(noLogin.identify(604).system);
    EXPECT_TRUE(noLogin.identify(605).system);
    EXPECT_NE(noLogin.describeSession().find("no login session"), std::string::npos);
}

TEST_F(ProcTree, WhatBelongsToTheSystem) {
    add({2, "kthreadd", 0, 0, "", {}, "/"});
    add({10, "kworker/0:1", 2, 0, "", {}, "/", ProcStat::kernelThreadFlag, 0, 0, 0});
    add({20, "sshd", 1, 0, "", {"/usr/sbin/sshd"}, "/system.slice/ssh.service"});
    add({21,
         "gnome-shell",
         1,
         0,
         "",
         {"/usr/bin/gnome-shell"},
         "/user.slice/user-1000.slice/user@1000.service/session.slice/"
         "org.gnome.Shell@x11.service"});
    add({22, "pipewire", 1, 0, "", {"/usr/bin/pipewire"}});
    add({23, "jackd", 1, 0, "", {"jackd"}, "/user.slice", 0, 0, 1});          // real-time
    add({24, "renice", 1, 0, "", {"renice"}, "/user.slice", 0, -5});          // raised priority
    add({25, "sh", self, 0, "", {"/bin/sh", "-c", "watch"}, "/user.slice"});  // our child
    add({self, "tallyvane", 26, 0, "", {"tallyvane"}});
    add({26, "konsole", 1, 0, "", {"konsole"}});  // our ancestor
    add({27, "code", 1, 0, "", {"/usr/share/code/code"}});
    auto src = source();
    for (std::int32_t pid : {2, 10, 20, 21, 22, 23, 24, 25, 26}) {
        EXPECT_TRUE(src.identify(pid).system) << pid;
    }
    EXPECT_TRUE(src.identify(self).system);
    EXPECT_FALSE(src.identify(27).system);
    EXPECT_EQ(src.identify(10).name, "kworker/0:1");
}

TEST_F(ProcTree, TheDesktopsRolePlayersAndOurAncestorsByStartTime) {
    add({30, "picom", 1, 0, "", {"picom"}});  // a compositor no name list knows
    add({31, "mako", 1, 0, "", {"mako"}});
    add({26, "konsole", 1, 0, "", {"konsole"}, "/user.slice", 0, 0, 0, 30'000, 0, 700});
    add({self, "tallyvane", 26, 0, "", {"tallyvane"}, "/user.slice", 0, 0, 0, 30'000, 0, 800});
    auto src = source(std::make_shared<FixedRoles>(std::set<std::int32_t>{30}));
    src.pids();  // a pass asks the desktop first
    EXPECT_TRUE(src.identify(30).system);
    EXPECT_FALSE(src.identify(31).system);
    EXPECT_TRUE(src.identify(26).system);
    // The terminal ended and a later process got its pid: not an ancestor.
    add({26, "miner", 1, 0, "", {"miner"}, "/user.slice", 0, 0, 0, 30'000, 0, 9000});
    src.passDone();
    EXPECT_FALSE(src.identify(26).system);
}

TEST_F(ProcTree, AnotherUsersProcessesNeverJoinTheUsersRowsNorAreListed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a fixture to another user";
    }
    desktop("org.example.Editor", "Editor", "editor %U");
    std::string scope =
        "/user.slice/user-1001.slice/user@1001.service/app.slice/"
        "app-org.example.Editor-7.scope";
    // The other user's copy of the same app has the lower pid and far more memory.
    add({40, "editor", 1, 0, "", {"editor"}, scope, 0, 0, 0, 900'000});
    add({41, "editor", 1, 0, "", {"editor"}, scope, 0, 0, 0, 100'000});
    ASSERT_EQ(::chown((tree.root() + "/proc/40").c_str(), 65534, 65534), 0);
    auto theirs = source().identify(40);
    EXPECT_TRUE(theirs.system);
    EXPECT_TRUE(theirs.foreign);
    EXPECT_EQ(theirs.key, "pid:40");

    auto entries =
        std::make_shared<DesktopEntries>(std::vector<std::string>{tree.root() + "/usr/share"},
                                         std::vector<std::string>{tree.root() + "/usr/bin"}, "C");
    ProcessReader reader(std::make_unique<LinuxProcessSource>(
        LinuxProcessSource::Options{tree.root(), ::getuid(), self, false, nullptr}, entries));
    auto rows = reader.read();
    ASSERT_EQ(rows.size(), 1u) << "your apps only";
    EXPECT_EQ(rows[0].pids, (std::vector<std::int32_t>{41}));
    EXPECT_EQ(rows[0].memory, 100'000u * 1024);
    EXPECT_FALSE(rows[0].system);
    EXPECT_TRUE(reader.identityOf(40)->foreign);  // still known for who it is
}

TEST_F(ProcTree, FootprintIsAnonymousMemoryPlusSwap) {
    add({50, "big", 1, 0, "", {"big"}, "/user.slice", 0, 0, 0, 100'000, 20'000});
    tree.write("proc/swaps", "Filename Type Size Used Priority\n/swapfile file 1000 10 -2\n");
    auto src = source();
    auto use = src.use(50);
    ASSERT_TRUE(use.has_value());
    EXPECT_EQ(use->footprint, 120'000u * 1024);
    EXPECT_EQ(use->cpuNs, 150u * (1'000'000'000u / static_cast<unsigned>(sysconf(_SC_CLK_TCK))));
    EXPECT_EQ(use->started, 5000u);

    tree.write("proc/swaps", "Filename Type Size Used Priority\n");  // swap turned off
    auto noSwap = source();
    EXPECT_EQ(noSwap.use(50)->footprint, 100'000u * 1024);
}

TEST_F(ProcTree, HostileAndBrokenEntriesNeverCrashOrMisname) {
    std::string longArg(100'000, 'x');
    add({60, "evil", 1, 0, "", {"/tmp/evil\nname\xFF", longArg}});
    add({61, "python3", 1, 0, "", {"python3", "-u", "-X", "dev", "bad\n\x1b[2Jscript.py"}});
    tree.write("proc/62/stat", "62 (broken");
    tree.write("proc/63/stat", "63 (a) b) c) S 1 63 1 0 -1 0 0 0 0 0 1 1 0 0 20 0 1 0 5 0\n");
    tree.write("proc/63/statm", "10 5 1 0 0 0 0\n");
    tree.write("proc/notapid/stat", "x");
    // Named after its executable, whose path may hold anything a file name can.
    tree.write(
        "usr/bin/run\nme\x1b]0;pwned\x07\xC2\x9B"
        "2J\xE2\x80\xAEtxt",
        "");
    add({65,
         "run",
         1,
         0,
         "usr/bin/run\nme\x1b]0;pwned\x07\xC2\x9B"
         "2J\xE2\x80\xAEtxt",
         {}});
    auto src = source();
    EXPECT_EQ(src.identify(65).name, "run me ]0;pwned  2Jtxt");
    EXPECT_EQ(src.identify(60).name, "evil name\xEF\xBF\xBD");
    EXPECT_EQ(src.identify(61).name, "python3 dev");
    EXPECT_FALSE(src.use(62).has_value());
    ProcessIdentity odd = src.identify(63);  // a name with parentheses and spaces
    EXPECT_EQ(odd.name, "a) b) c");
    EXPECT_EQ(src.identify(64).name, "pid 64");  // gone before it was looked at
    EXPECT_EQ(src.pids(), (std::vector<std::int32_t>{60, 61, 62, 63, 65}));
}

// The time each thread ran plus the time it stood ready to run, from its schedstat file.
TEST_F(ProcTree, DemandSumsRunAndWaitOverTheProcessesThreads) {
    add({80, "loop", 1, 0, "", {"loop"}});
    tree.write("proc/80/task/80/schedstat", "400000000 600000000 120\n");
    tree.write("proc/80/task/81/schedstat", "100000000 50000000 7\n");
    std::filesystem::create_directories(tree.root() + "/proc/80/task/82");  // ended: no file
    tree.write("proc/80/task/83/schedstat", "garbage\n");
    add({90, "old kernel", 1, 0, "", {"old"}});  // no scheduler statistics for its threads
    tree.write("proc/90/task/90/stat", "90 (old kernel) S 1\n");
    add({95, "quiet", 1, 0, "", {"quiet"}});
    tree.write("proc/95/task/95/schedstat", "0 0 0\n");
    auto src = source();
    EXPECT_EQ(src.demandNs(80), 1'150'000'000u);
    EXPECT_EQ(src.demandNs(90), std::nullopt);
    EXPECT_EQ(src.demandNs(95), 0u);
    EXPECT_EQ(src.demandNs(99), std::nullopt);  // gone
    EXPECT_EQ(parseThreadDemand("1 2 3 4"), std::nullopt);
    EXPECT_EQ(parseThreadDemand("18446744073709551615 1 1"), std::nullopt);
}

// A loop that gets less than it asks for, seen through a reader over the tree: the shown CPU
// stays what it got.
TEST_F(ProcTree, AReadersRowWantsWhatItsThreadsRanAndWaited) {
    FakeProcess loop{100, "loop", 1, 0, "", {"loop"}};
    add(loop);
    tree.write("proc/100/task/100/schedstat", "0 0 0\n");
    ProcessReader reader(std::make_unique<LinuxProcessSource>(
        LinuxProcessSource::Options{tree.root(), ::getuid(), self, false, nullptr}, entries()));
    long hz = ::sysconf(_SC_CLK_TCK);
    auto passAfter = [&](long ticksRun, std::uint64_t demandNs) {
        loop.utime = 100 + static_cast<std::uint64_t>(ticksRun);
        add(loop);  // rewritten in place
        tree.write("proc/100/task/100/schedstat", std::to_string(demandNs) + " 0 9\n");
        return reader.read();
    };
    reader.read();
    ::usleep(200'000);
    passAfter(hz / 10, 1'000'000);
    ::usleep(200'000);
    auto rows = passAfter(hz / 5, 1'000'000 + 10'000'000'000ULL);
    const ProcessUsage* row = rowWith(rows, 100);
    ASSERT_NE(row, nullptr);
    EXPECT_LT(row->cpu, 100);
    EXPECT_GT(row->demand, 1000);  // 10 s asked for in about 0.2 s
}

TEST_F(ProcTree, MalformedDesktopFilesAndUnitsFallBackToStandAloneRows) {
    tree.write("usr/share/applications/org.example.Bad.desktop", "[Desktop Entry\nName=Bad\n");
    add({70, "bad", 1, 0, "", {"bad"}, "/app.slice/app-org.example.Bad-1.scope"});
    add({71, "odd", 1, 0, "", {"odd"}, "/app.slice/app-\\xZZ-1.scope"});
    auto src = source();
    EXPECT_EQ(src.identify(70).key, "pid:70");
    EXPECT_EQ(src.identify(71).key, "pid:71");
}

}  // namespace
}  // namespace tv
