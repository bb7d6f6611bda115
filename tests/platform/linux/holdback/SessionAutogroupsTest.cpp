#include "platform/linux/holdback/SessionAutogroups.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/FixtureTree.h"

namespace tv {
namespace {

using linux_os::SessionAutogroups;
using test::FixtureTree;

void process(const FixtureTree& tree, int pid, int session, const std::string& cgroup,
             const std::string& autogroup) {
    std::string dir = "proc/" + std::to_string(pid) + "/";
    tree.write(dir + "stat", std::to_string(pid) + " (p q) S 1 " + std::to_string(pid) + " " +
                                 std::to_string(session) +
                                 " 0 -1 0 0 0 0 0 1 1 0 0 20 0 1 0 500 0 0 0 0 0 0 0 0 0 0 0 0 0 "
                                 "0 0 17 0 0 0 0 0 0\n");
    tree.write(dir + "cgroup", cgroup);
    tree.write(dir + "autogroup", autogroup);
}

TEST(SessionAutogroups, ReadsGroupsAndMembersBySession) {
    FixtureTree tree;
    tree.write("proc/sys/kernel/sched_autogroup_enabled", "1\n");
    process(tree, 10, 10, "0::/\n", "/autogroup-7 nice 0\n");
    process(tree, 11, 10, "0::/\n", "/autogroup-7 nice 0\n");
    process(tree, 12, 12, "0::/\n", "/autogroup-9 nice -5\n");
    SessionAutogroups groups(tree.root());
    EXPECT_TRUE(groups.enabled());
    ASSERT_TRUE(groups.of(10).has_value());
    EXPECT_EQ(groups.of(10)->id, 7u);
    EXPECT_EQ(groups.of(12)->nice, -5);
    std::vector<std::int32_t> members = groups.sessionMembers(10);
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, (std::vector<std::int32_t>{10, 11}));
    EXPECT_FALSE(SessionAutogroups::parse("/autogroup-7 nice 20").has_value());
    EXPECT_FALSE(SessionAutogroups::parse("/autogroup-x nice 0").has_value());
    EXPECT_FALSE(SessionAutogroups::parse("/autogroup-7 nice 0 1").has_value());
    tree.write("proc/sys/kernel/sched_autogroup_enabled", "0\n");
    EXPECT_FALSE(groups.enabled());
    EXPECT_FALSE(groups.decides(10));
}

// Autogroups weigh only processes in the cpu controller's root group.
TEST(SessionAutogroups, DecideOnlyWhereNoCpuCgroupWeighsTheProcess) {
    FixtureTree tree;
    tree.write("proc/sys/kernel/sched_autogroup_enabled", "1\n");
    process(tree, 20, 20, "4:memory:/x\n1:cpu,cpuacct:/\n0::/user.slice/a.scope\n", "");
    process(tree, 21, 21, "1:cpu,cpuacct:/docker/abc\n0::/\n", "");
    process(tree, 22, 22, "0::/user.slice/user-1000.slice/session-2.scope\n", "");
    SessionAutogroups groups(tree.root());
    EXPECT_TRUE(groups.decides(20));
    EXPECT_FALSE(groups.decides(21));
    EXPECT_TRUE(groups.decides(22));  // no cpu controller below the root
    tree.write("sys/fs/cgroup/cgroup.subtree_control", "cpuset cpu io memory pids\n");
    EXPECT_FALSE(groups.decides(22));
    EXPECT_FALSE(groups.decides(99));  // gone
}

}  // namespace
}  // namespace tv
