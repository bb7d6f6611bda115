#include "platform/linux/proc/LinuxProcessSource.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

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
};

// The desktop's answer to who plays the session's roles.
class FixedRoles : public SessionRoles {
  public:
    explicit FixedRoles(std::set<std::int32_t> pids) : pids_(std::move(pids)) {}
    const std::set<std::int32_t>& pids() override { return pids_; }
    std::string describe() override { return "fixed"; }

  private:
    std::set<std::int32_t> pids_;
};

// A /proc tree with processes, desktop files under usr/share and programs under usr/bin.
class ProcTree : public testing::Test {
  protected:
    void add(const FakeProcess& p) {
        std::string dir = "proc/" + std::to_string(p.pid) + "/";
        tree.write(dir + "stat", std::to_string(p.pid) + " (" + p.comm + ") S " +
                                     std::to_string(p.ppid) + " " +
                                     std::to_string(p.pgrp ? p.pgrp : p.pid) + " 1 0 -1 " +
                                     std::to_string(p.flags) + " 0 0 0 0 100 50 0 0 20 " +
                                     std::to_string(p.nice) + " 1 0 " + std::to_string(p.started) +
                                     " 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 17 0 0 " +
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
        if (!p.exe.empty()) {
            std::filesystem::create_symlink(tree.root() + "/" + p.exe,
                                            tree.root() + "/" + dir + "exe");
        }
    }
    void desktop(const std::string& id, const std::string& name, const std::string& exec) {
        tree.write("usr/share/applications/" + id + ".desktop",
                   "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\n");
    }
    LinuxProcessSource source(std::shared_ptr<SessionRoles> roles = nullptr) {
        auto entries = std::make_shared<DesktopEntries>(
            std::vector<std::string>{tree.root() + "/usr/share"},
            std::vector<std::string>{tree.root() + "/usr/bin"}, "C");
        return LinuxProcessSource({tree.root(), ::getuid(), self, false, std::move(roles)},
                                  entries);
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
