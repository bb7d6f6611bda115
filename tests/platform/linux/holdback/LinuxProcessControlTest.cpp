#include "platform/linux/holdback/LinuxProcessControl.h"

#include "platform/linux/holdback/LinuxBackgroundBand.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/FixtureTree.h"
#include "support/Spawned.h"

namespace tv::linux_os {
namespace {

// The app's own group, on the unified hierarchy alone and beside v1 controllers.
TEST(LinuxProcessControlGroups, FindsTheProcessGroupAndFreezesIt) {
    for (std::string mount : {"sys/fs/cgroup", "sys/fs/cgroup/unified"}) {
        test::FixtureTree tree;
        const std::string app =
            "/user.slice/user-1000.slice/user@1000.service/app.slice/"
            "app-org.example.Editor@1a2b.service";
        tree.write(mount + "/cgroup.controllers", "cpu io memory pids\n");
        tree.write(mount + app + "/cgroup.freeze", "0\n");
        tree.write(mount + app + "/cgroup.procs", "42\n43\n");
        tree.write("proc/42/cgroup", "12:cpu:/\n1:name=systemd:/x\n0::" + app + "\n");
        tree.write("proc/44/cgroup", "0::/user.slice/../../etc\n");
        tree.write("proc/45/cgroup", "0::/\n");
        tree.write("proc/46/cgroup", "1:name=systemd:/user.slice\n");
        LinuxProcessControl control(tree.root());
        EXPECT_EQ(control.unifiedRoot(), tree.root() + "/" + mount) << mount;
        EXPECT_EQ(control.groupOf(42), app) << mount;
        for (std::int32_t pid : {44, 45, 46, 47}) {
            EXPECT_EQ(control.groupOf(pid), "") << mount << " " << pid;
        }
        EXPECT_EQ(control.groupMembers(app), (std::vector<std::int32_t>{42, 43}));
        EXPECT_FALSE(control.isFrozen(app));
        EXPECT_TRUE(control.freeze(app, true));
        EXPECT_TRUE(control.isFrozen(app));
        EXPECT_EQ(test::textOf(tree.root() + "/" + mount + app + "/cgroup.freeze"), "1");
        EXPECT_FALSE(control.freeze("/user.slice/../x", true));
    }
}

// The CPU band of an app alone in its group: cpu.idle where the kernel has it, else cpu.weight;
// given back only while it still holds our value.
TEST(LinuxBackgroundBandGroups, LowersTheGroupsCpuAndGivesBackOnlyWhatItSet) {
    test::FixtureTree tree;
    const std::string app = "/user.slice/app.slice/app-org.example.Build-7.scope";
    const std::string at = tree.root() + "/sys/fs/cgroup" + app;
    tree.write("sys/fs/cgroup/cgroup.controllers", "cpuset cpu io\n");
    tree.write("sys/fs/cgroup" + app + "/cpu.weight", "100\n");
    tree.write("sys/fs/cgroup" + app + "/cpu.idle", "0\n");
    LinuxBackgroundBand band(tree.root());
    // Each change reaches the undo journal before it is made: a crash in between leaves
    // nothing lowered that the journal does not know of.
    std::vector<std::string> recorded;
    band.recordAheadWith([&](const std::vector<std::string>& lines) {
        recorded.push_back(lines.at(0) + " while idle is " + test::textOf(at + "/cpu.idle"));
    });
    EXPECT_NE(band.describe().find("cpu.idle 1"), std::string::npos) << band.describe();
    std::string saved = band.slowGroup(app);
    EXPECT_EQ(saved, "weight " + app + " 100 0");
    EXPECT_EQ(recorded, std::vector<std::string>{saved + " while idle is 0\n"});
    EXPECT_EQ(test::textOf(at + "/cpu.idle"), "1");
    EXPECT_EQ(band.slowGroup(app), "") << "already idle: someone else's";
    band.restore(saved);
    EXPECT_EQ(test::textOf(at + "/cpu.idle"), "0");

    tree.remove("sys/fs/cgroup" + app + "/cpu.idle");
    saved = band.slowGroup(app);
    EXPECT_EQ(saved, "weight " + app + " 100 -1");
    EXPECT_EQ(test::textOf(at + "/cpu.weight"), "1");
    tree.write("sys/fs/cgroup" + app + "/cpu.weight", "50\n");  // changed by someone since
    band.restore(saved);
    EXPECT_EQ(test::textOf(at + "/cpu.weight"), "50\n");
    for (const char* bad : {"weight /../x 100 -1", "weight /a 0 -1", "weight /a 100 7", "weight"}) {
        band.restore(bad);  // changes nothing, reads nothing outside
    }
    EXPECT_EQ(band.slowGroup("/no/such/group"), "");

    tree.write("sys/fs/cgroup/cgroup.controllers", "io memory\n");
    EXPECT_NE(band.describe().find("has no cpu controller"), std::string::npos) << band.describe();
}

TEST(LinuxBackgroundBandThreads, RecordsEachThreadsValuesBeforeChangingThem) {
    test::Spawned sleeper({"sleep", "30"});
    LinuxBackgroundBand band;
    std::vector<std::string> recorded;
    int classWhenRecorded = -1;
    band.recordAheadWith([&](const std::vector<std::string>& lines) {
        recorded = lines;
        classWhenRecorded = LinuxBackgroundBand::ioPriority(sleeper.pid()) >> 13;
    });
    ASSERT_TRUE(band.slow(sleeper.pid()));
    EXPECT_EQ(recorded, band.saved(sleeper.pid()));
    EXPECT_NE(classWhenRecorded, 3) << "recorded after the thread was already in the idle class";
    band.unslow(sleeper.pid());
}

}  // namespace
}  // namespace tv::linux_os
