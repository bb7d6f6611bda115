#include "platform/linux/system/LinuxSystemInfo.h"

#include <gtest/gtest.h>

#include "support/FixtureTree.h"

namespace tv {
namespace {

using linux_os::countCpuList;
using linux_os::LinuxSystemInfo;
using test::FixtureTree;

TEST(LinuxSystemInfo, LoadAveragesAndTheirFailures) {
    FixtureTree tree;
    tree.write("proc/loadavg", "0.52 1.40 2.33 2/345 6789\n");
    LinuxSystemInfo info(tree.root());
    EXPECT_EQ(info.loadAverages(), (std::vector<double>{0.52, 1.40, 2.33}));
    tree.write("proc/loadavg", "0.5 junk\n");
    EXPECT_EQ(info.loadAverages(), (std::vector<double>{0.5, 0, 0}));
    FixtureTree none;
    EXPECT_EQ(LinuxSystemInfo(none.root()).loadAverages(), (std::vector<double>{0, 0, 0}));
}

TEST(LinuxSystemInfo, ChipFromCpuinfoOrTheDeviceTree) {
    FixtureTree x86;
    x86.write("proc/cpuinfo",
              "processor\t: 0\nvendor_id\t: GenuineIntel\n"
              "model name\t: 13th Gen Intel(R) Core(TM) i7-1360P\nflags\t: fpu\n\n"
              "processor\t: 1\nmodel name\t: other\n");
    EXPECT_EQ(LinuxSystemInfo(x86.root()).chip(), "13th Gen Intel(R) Core(TM) i7-1360P");

    FixtureTree arm;
    arm.write("proc/cpuinfo", "processor\t: 0\nBogoMIPS\t: 48.00\nCPU part\t: 0xd4b\n");
    arm.write("proc/device-tree/model", std::string("Apple MacBook Air (M2, 2022)\0", 29));
    EXPECT_EQ(LinuxSystemInfo(arm.root()).chip(), "Apple MacBook Air (M2, 2022)");

    FixtureTree none;
    EXPECT_EQ(LinuxSystemInfo(none.root()).chip(), "");
}

TEST(LinuxSystemInfo, EfficiencyCores) {
    FixtureTree hybrid;
    hybrid.write("sys/devices/cpu_atom/cpus", "8-15\n");
    EXPECT_EQ(LinuxSystemInfo(hybrid.root()).efficiencyCores(), 8);

    FixtureTree bigLittle;
    for (int cpu = 0; cpu < 8; ++cpu) {
        bigLittle.write("sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/cpu_capacity",
                        cpu < 4 ? "446\n" : "1024\n");
    }
    bigLittle.write("sys/devices/system/cpu/cpufreq/policy0/scaling_governor", "schedutil\n");
    EXPECT_EQ(LinuxSystemInfo(bigLittle.root()).efficiencyCores(), 4);

    // Favoured cores boost a little higher; that does not make the others efficiency cores.
    FixtureTree desktop;
    for (int cpu = 0; cpu < 4; ++cpu) {
        desktop.write(
            "sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/cpufreq/cpuinfo_max_freq",
            cpu == 0 ? "5000000\n" : "4700000\n");
    }
    EXPECT_EQ(LinuxSystemInfo(desktop.root()).efficiencyCores(), 0);

    FixtureTree none;
    EXPECT_EQ(LinuxSystemInfo(none.root()).efficiencyCores(), 0);
}

TEST(LinuxSystemInfo, CpuLists) {
    EXPECT_EQ(countCpuList("0-3,8,10-11\n"), 7);
    EXPECT_EQ(countCpuList("5"), 1);
    EXPECT_EQ(countCpuList(""), 0);
    EXPECT_EQ(countCpuList("3-1"), 0);
    EXPECT_EQ(countCpuList("a-b"), 0);
    EXPECT_EQ(countCpuList("0-4294967295"), 0);
}

TEST(LinuxSystemInfo, BootTimeFromStat) {
    FixtureTree tree;
    tree.write("proc/stat", "cpu  1 2 3 4\ncpu0 1 2 3 4\nbtime 1700000000\n");
    EXPECT_EQ(LinuxSystemInfo(tree.root()).bootTime(), dateFromSeconds(1'700'000'000));
    tree.write("proc/stat", "cpu  1 2 3 4\nbtime soon\n");
    EXPECT_FALSE(LinuxSystemInfo(tree.root()).bootTime().has_value());
}

}  // namespace
}  // namespace tv
