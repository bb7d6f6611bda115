#include "alerts/Apps.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/linux/holdback/LinuxProcessControl.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using test::Spawned;

ProcessUsage appRow(const std::string& path, std::vector<std::int32_t> pids) {
    ProcessUsage r;
    r.id = "app:" + path;
    r.appPath = path;
    r.name = "App";
    r.pids = std::move(pids);
    r.count = static_cast<int>(r.pids.size());
    return r;
}

class AppsTest : public testing::Test {
  protected:
    Apps apps{std::make_unique<linux_os::LinuxProcessControl>(),
              SelfIdentity{std::string("/usr/share/applications/tallyvane.desktop"), ::getpid()}};
};

TEST_F(AppsTest, OnlyTheTopProcessesOfTheListedAppAreAskedToQuit) {
    Spawned shell({"sh", "-c", "sleep 30 & wait"});
    ASSERT_TRUE(test::waitFor(5, [&] { return !test::descendantsOf(shell.pid()).empty(); }));
    pid_t child = test::descendantsOf(shell.pid()).front();
    std::vector<ProcessUsage> list{appRow("/apps/Other.desktop", {::getppid()}),
                                   appRow("/apps/Build.desktop", {child, shell.pid()})};

    EXPECT_EQ(apps.running(std::string("/apps/Build.desktop"), list),
              std::vector<std::int32_t>{shell.pid()});
    EXPECT_TRUE(apps.quit("/apps/Build.desktop", list));
    EXPECT_TRUE(test::waitFor(3, [&] { return test::processState(shell.pid()) == 'Z'; }));
    EXPECT_NE(test::processState(child), 'Z') << "helpers are left to their app";
}

TEST_F(AppsTest, NothingIsOfferedForTheSystemTallyVaneOrAppsNoLongerThere) {
    ProcessUsage system = appRow("/apps/Compositor.desktop", {::getppid()});
    system.system = true;
    std::vector<ProcessUsage> list{
        system,
        appRow("/usr/share/applications/tallyvane.desktop", {::getpid()}),
        appRow("/System/Library/CoreServices/Finder.app", {::getppid()}),
        appRow("/apps/Gone.desktop", {999'999'999}),
    };
    for (const ProcessUsage& row : list) {
        EXPECT_TRUE(apps.running(row.appPath, list).empty()) << *row.appPath;
        EXPECT_FALSE(apps.quit(*row.appPath, list)) << *row.appPath;
    }
    EXPECT_TRUE(apps.running(std::nullopt, list).empty());
    EXPECT_TRUE(apps.running(std::string("/apps/Unlisted.desktop"), list).empty());
}

TEST_F(AppsTest, APidReusedSinceTheListWasReadIsNotAskedToQuit) {
    auto first = std::make_unique<Spawned>(std::vector<std::string>{"sleep", "60"});
    const pid_t pid = first->pid();
    ProcessUsage row = appRow("/apps/Build.desktop", {pid});
    row.started = {linux_os::LinuxProcessControl().startedAt(pid).value()};
    first.reset();
    // Start times count in clock ticks: the later process starts at least a tick afterwards.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    auto later = test::spawnWithPid(pid, {"sleep", "60"});
    if (!later) {
        GTEST_SKIP() << "cannot choose the next pid here (needs root)";
    }
    EXPECT_FALSE(apps.quit("/apps/Build.desktop", {row}));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(test::processState(pid), 'S');
}

}  // namespace
}  // namespace tv
