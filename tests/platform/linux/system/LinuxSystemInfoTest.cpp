#include "platform/linux/system/LinuxSystemInfo.h"

#include <gtest/gtest.h>

#include "core/CoreGroups.h"
#include "platform/linux/system/LinuxCpuTickSource.h"
#include "readers/CPUReader.h"
#include "support/FixtureTree.h"

namespace tv {
namespace {

using linux_os::LinuxSystemInfo;
using linux_os::parseCpuList;
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

TEST(LinuxSystemInfo, EfficiencyCoresAreNamedByNumber) {
    FixtureTree hybrid;
    hybrid.write("sys/devices/cpu_atom/cpus", "8-15\n");
    EXPECT_EQ(LinuxSystemInfo(hybrid.root()).efficiencyCores(),
              (std::vector<int>{8, 9, 10, 11, 12, 13, 14, 15}));

    FixtureTree bigLittle;
    for (int cpu = 0; cpu < 8; ++cpu) {
        bigLittle.write("sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/cpu_capacity",
                        cpu < 2 || cpu > 5 ? "446\n" : "1024\n");
    }
    bigLittle.write("sys/devices/system/cpu/cpufreq/policy0/scaling_governor", "schedutil\n");
    EXPECT_EQ(LinuxSystemInfo(bigLittle.root()).efficiencyCores(), (std::vector<int>{0, 1, 6, 7}));

    // Favoured cores boost a little higher; that does not make the others efficiency cores.
    FixtureTree desktop;
    for (int cpu = 0; cpu < 4; ++cpu) {
        desktop.write(
            "sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/cpufreq/cpuinfo_max_freq",
            cpu == 0 ? "5000000\n" : "4700000\n");
    }
    EXPECT_TRUE(LinuxSystemInfo(desktop.root()).efficiencyCores().empty());

    FixtureTree none;
    EXPECT_TRUE(LinuxSystemInfo(none.root()).efficiencyCores().empty());
}

// An Intel hybrid laptop: performance cores 0-7 (with their hyper-threads), efficiency
// ("atom") cores 8-15 last, and processor 5 offline. Only the atom cores are busy, and the
// "Efficiency" group holds exactly their values.
TEST(LinuxSystemInfo, OnAHybridIntelTheAtomCoresAreTheEfficiencyGroup) {
    FixtureTree tree;
    tree.write("sys/devices/cpu_atom/cpus", "8-15\n");
    tree.write("sys/devices/cpu_core/cpus", "0-7\n");
    auto stat = [](long busy) {
        std::string text = "cpu  1 2 3 4 5 6 7 8 0 0\n";
        for (int cpu = 0; cpu < 16; ++cpu) {
            if (cpu == 5) {
                continue;
            }
            long user = cpu >= 8 ? busy : 0;
            text += "cpu" + std::to_string(cpu) + " " + std::to_string(user) + " 0 0 " +
                    std::to_string(1000 + (cpu >= 8 ? 0 : busy)) + " 0 0 0 0 0 0\n";
        }
        return text + "btime 1700000000\n";
    };
    tree.write("proc/stat", stat(0));
    CPUReader reader(std::make_unique<linux_os::LinuxCpuTickSource>(tree.root()));
    reader.read();
    tree.write("proc/stat", stat(100));
    std::optional<CPUSample> sample = reader.read();
    ASSERT_TRUE(sample);
    ASSERT_EQ(sample->cores.size(), 15u);
    CoreGroups groups = groupCores(*sample, LinuxSystemInfo(tree.root()).efficiencyCores());
    EXPECT_EQ(groups.efficiency, std::vector<double>(8, 1.0));
    EXPECT_EQ(groups.performance, std::vector<double>(7, 0.0));

    // A source that does not number its processors: the positions are the numbers.
    CPUSample unnumbered{{0.1, 0.2, 0.3, 0.4}, 0, 0, {}};
    EXPECT_EQ(groupCores(unnumbered, {2, 3, 9}), (CoreGroups{{0.3, 0.4}, {0.1, 0.2}}));
}

TEST(LinuxSystemInfo, CpuLists) {
    EXPECT_EQ(parseCpuList("0-3,8,10-11\n"), (std::vector<int>{0, 1, 2, 3, 8, 10, 11}));
    EXPECT_EQ(parseCpuList("5"), (std::vector<int>{5}));
    EXPECT_EQ(parseCpuList("8,2-3"), (std::vector<int>{2, 3, 8}));
    EXPECT_TRUE(parseCpuList("").empty());
    EXPECT_TRUE(parseCpuList("3-1").empty());
    EXPECT_TRUE(parseCpuList("a-b").empty());
    EXPECT_TRUE(parseCpuList("0-4294967295").empty());
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
