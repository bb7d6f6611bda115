#include "platform/linux/LinuxProcessControl.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/FixtureTree.h"

namespace tv::linux_os {
namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

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
        EXPECT_EQ(contents(tree.root() + "/" + mount + app + "/cgroup.freeze"), "1\n");
        EXPECT_FALSE(control.freeze("/user.slice/../x", true));
    }
}

}  // namespace
}  // namespace tv::linux_os
