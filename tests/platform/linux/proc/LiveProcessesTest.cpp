// The process reader on real processes of this machine.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/linux/proc/LinuxProcessSource.h"
#include "readers/ProcessReader.h"
#include "support/FixtureTree.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using namespace linux_os;
using test::descendantsOf;
using test::FixtureTree;
using test::Spawned;
using test::waitFor;

// A private applications folder, so the tests decide which programs are desktop apps.
class LiveProcesses : public testing::Test {
  protected:
    std::unique_ptr<LinuxProcessSource> source() {
        auto entries =
            std::make_shared<DesktopEntries>(std::vector<std::string>{tree.root() + "/share"},
                                             std::vector<std::string>{tree.root() + "/bin"}, "C");
        // TallyVane's own children are the system's (its watchdog); these tests' children
        // stand for other programs, so the source takes someone else to be TallyVane.
        return std::make_unique<LinuxProcessSource>(
            LinuxProcessSource::Options{"/", ::getuid(), notUs, true, nullptr}, entries);
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
