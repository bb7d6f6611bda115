#include "platform/linux/system/LinuxMemorySource.h"

#include <gtest/gtest.h>

#include "readers/MemoryReader.h"
#include "support/FixtureTree.h"

namespace tv {
namespace {

using linux_os::LinuxMemorySource;
using test::FixtureTree;

constexpr std::uint64_t KiB = 1024;

struct MemInfo {
    std::uint64_t total = 16'000'000, free = 4'000'000, available = 9'000'000;
    std::uint64_t buffers = 200'000, cached = 3'000'000, shmem = 500'000;
    std::uint64_t reclaimable = 300'000, anon = 5'000'000, zswap = 0;
    std::uint64_t swapTotal = 0, swapFree = 0;

    std::string text() const {
        auto line = [](const char* key, std::uint64_t kib) {
            return std::string(key) + ":" + std::string(16 - std::string(key).size(), ' ') +
                   std::to_string(kib) + " kB\n";
        };
        return line("MemTotal", total) + line("MemFree", free) + line("MemAvailable", available) +
               line("Buffers", buffers) + line("Cached", cached) + line("SwapCached", 0) +
               line("SwapTotal", swapTotal) + line("SwapFree", swapFree) + line("Zswap", zswap) +
               line("AnonPages", anon) + line("Shmem", shmem) +
               line("KReclaimable", reclaimable + 10) + line("SReclaimable", reclaimable) +
               "HugePages_Total:       0\n";
    }
};

const char* swapsHeader = "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n";

class Machine {
  public:
    explicit Machine(const MemInfo& info, bool psi = true) {
        tree.write("proc/meminfo", info.text());
        tree.write("proc/swaps", swapsHeader);
        if (psi) {
            setStalls(0, 0);
        }
    }
    void setStalls(double some, double full) {
        tree.write("proc/pressure/memory",
                   "some avg10=" + std::to_string(some) + " avg60=0.00 avg300=0.00 total=1\n" +
                       "full avg10=" + std::to_string(full) + " avg60=0.00 avg300=0.00 total=1\n");
    }
    MemorySample read() { return reader.read(); }

    FixtureTree tree;
    double clock = 1000;
    MemoryReader reader{std::make_unique<LinuxMemorySource>(tree.root(), [this] { return clock; })};
};

TEST(LinuxMemorySource, BreakdownFollowsTheMeminfoFormulas) {
    MemInfo info;
    Machine machine(info);
    MemorySample m = machine.read();
    EXPECT_EQ(m.total, 16'000'000 * KiB);
    EXPECT_EQ(m.app, (5'000'000 + 500'000) * KiB);                         // anon + shmem
    EXPECT_EQ(m.cached, (3'000'000 - 500'000 + 200'000 + 300'000) * KiB);  // file-backed
    EXPECT_EQ(m.compressed, 0u);
    // wired = total − free − app − cached − compressed
    EXPECT_EQ(m.wired, (16'000'000 - 4'000'000 - 5'500'000 - 3'000'000) * KiB);
    EXPECT_EQ(m.swapUsed, 0u);
    EXPECT_EQ(m.swapTotal, 0u);
    EXPECT_EQ(m.pressure, 1);
    EXPECT_GT(m.used(), 0u);
    EXPECT_LE(m.used(), m.total);
}

TEST(LinuxMemorySource, DiskSwapCountsAsSwapButZramIsCompressedMemory) {
    MemInfo info;
    info.swapTotal = 10'000'000;
    info.swapFree = 7'000'000;
    info.zswap = 1000;
    Machine machine(info);
    machine.tree.write("proc/swaps", std::string(swapsHeader) +
                                         "/dev/zram0  partition\t8000000\t2000000\t100\n"
                                         "/swapfile   file\t\t2000000\t1000000\t-2\n");
    machine.tree.write("sys/block/zram0/mm_stat",
                       "4000000000 1000000000 1048576000 0 1100000000 12 0 0 0\n");
    machine.tree.write("sys/block/vda/size", "100\n");
    MemorySample m = machine.read();
    EXPECT_EQ(m.swapTotal, 2'000'000 * KiB);
    EXPECT_EQ(m.swapUsed, 1'000'000 * KiB);
    EXPECT_EQ(m.compressed, 1000 * KiB + 1'048'576'000);
    EXPECT_LE(m.used(), m.total);
}

TEST(LinuxMemorySource, WithoutPsiPressureComesFromMemoryAlone) {
    MemInfo info;
    info.available = 1'500'000;  // under 10 % available, no swap at all
    Machine machine(info, /*psi=*/false);
    EXPECT_EQ(machine.read().pressure, 4);

    MemInfo roomy;
    Machine calm(roomy, false);
    EXPECT_EQ(calm.read().pressure, 1);
}

TEST(LinuxMemorySource, AStallSpikeWithPlentyFreeIsNotMemoryPressure) {
    MemInfo info;  // 56 % available
    Machine machine(info);
    machine.setStalls(60, 40);
    EXPECT_EQ(machine.read().pressure, 1);
}

TEST(LinuxMemorySource, StallsWithMemoryShortRaiseThenRecoverSlowly) {
    MemInfo info;
    info.available = 6'000'000;  // 37.5 % available
    Machine machine(info);
    machine.setStalls(15, 12);
    EXPECT_EQ(machine.read().pressure, 4);
    machine.setStalls(0, 0);
    std::vector<int> levels;
    for (int second = 1; second <= 35; ++second) {
        machine.clock += 1;
        levels.push_back(machine.read().pressure);
    }
    EXPECT_EQ(levels.front(), 4);
    EXPECT_EQ(levels[15], 2);
    EXPECT_EQ(levels.back(), 1);
}

TEST(LinuxMemorySource, BadFilesGiveZerosNotCrashes) {
    const std::string broken[] = {
        "",
        "garbage\n\n\n",
        "MemTotal: lots kB\nMemFree: 10 kB\n",
        "MemTotal:       0 kB\n",
        "MemTotal:       99999999999999999999999999 kB\n",
    };
    for (const std::string& text : broken) {
        FixtureTree tree;
        tree.write("proc/meminfo", text);
        MemoryReader reader(std::make_unique<LinuxMemorySource>(tree.root()));
        MemorySample m = reader.read();
        EXPECT_EQ(m.total, 0u) << text;
        EXPECT_EQ(m.used(), 0u) << text;
        EXPECT_EQ(m.pressure, 0) << text;
    }
    FixtureTree nothing;
    MemoryReader reader(std::make_unique<LinuxMemorySource>(nothing.root()));
    EXPECT_EQ(reader.read(), MemorySample{});
}

TEST(LinuxMemorySource, InconsistentFiguresStayWithinTheTotal) {
    MemInfo info;
    info.anon = 20'000'000;  // more than the total (a torn read)
    info.free = 0;
    Machine machine(info);
    machine.tree.write("proc/swaps", std::string(swapsHeader) +
                                         "/swapfile file 100 500 -2\n"
                                         "/dev/sdb2 partition x y -3\n");
    machine.tree.write("proc/pressure/memory", "some avg10=nan\nfull avg10=-3\n");
    MemorySample m = machine.read();
    EXPECT_LE(m.used(), m.total);
    EXPECT_EQ(m.swapTotal, 0u);  // used above size, and a garbage row: both skipped

    // Found by fuzzing: a page cache larger than the memory left the parts above the total.
    info = MemInfo{};
    info.cached = 50'000'000;
    Machine bogus(info);
    m = bogus.read();
    EXPECT_LE(m.used() + m.cached, m.total);
}

TEST(LinuxMemorySource, ThisMachineReadsSensibly) {
    MemoryReader reader(std::make_unique<LinuxMemorySource>());
    MemorySample m = reader.read();
    EXPECT_GT(m.total, 0u);
    EXPECT_GT(m.used(), 0u);
    EXPECT_LE(m.used(), m.total);
    EXPECT_TRUE(m.pressure == 1 || m.pressure == 2 || m.pressure == 4);
}

}  // namespace
}  // namespace tv
