#include "platform/linux/system/LinuxCpuTickSource.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "readers/CPUReader.h"
#include "support/FixtureTree.h"

namespace tv {
namespace {

using linux_os::LinuxCpuTickSource;
using test::FixtureTree;

std::string stat(const std::string& cpuLines) {
    return "cpu  1 2 3 4 5 6 7 8 0 0\n" + cpuLines +
           "intr 12345 0 0\nctxt 999\nbtime 1700000000\nprocesses 42\n";
}

TEST(LinuxCpuTickSource, FoldsTheKernelColumnsIntoFourCounters) {
    FixtureTree tree;
    // user nice system idle iowait irq softirq steal guest guest_nice
    tree.write("proc/stat", stat("cpu0 100 10 20 500 30 1 2 3 0 0\ncpu1 7 0 0 9 0 0 0 0 0 0\n"));
    LinuxCpuTickSource source(tree.root());
    auto ticks = source.read();
    ASSERT_TRUE(ticks.has_value());
    ASSERT_EQ(ticks->cores.size(), 2u);
    EXPECT_EQ(ticks->cores[0], (CoreTicks{100, 26, 530, 10}));
    EXPECT_EQ(ticks->cores[1], (CoreTicks{7, 0, 9, 0}));
}

TEST(LinuxCpuTickSource, IowaitSteppingBackDoesNotLookLikeAWrap) {
    FixtureTree tree;
    tree.write("proc/stat", stat("cpu0 100 0 0 1000 500 0 0 0\n"));
    CPUReader reader(std::make_unique<LinuxCpuTickSource>(tree.root()));
    reader.read();
    // idle +10 but iowait −40: idle + iowait went backwards by 30 while user rose by 10.
    tree.write("proc/stat", stat("cpu0 110 0 0 1010 460 0 0 0\n"));
    auto s = reader.read();
    ASSERT_TRUE(s.has_value());
    EXPECT_DOUBLE_EQ(s->user, 1.0);  // only the user ticks count; no huge idle delta
}

TEST(LinuxCpuTickSource, OlderKernelsWithFourColumnsStillRead) {
    FixtureTree tree;
    tree.write("proc/stat", stat("cpu0 1 2 3 4\n"));
    LinuxCpuTickSource source(tree.root());
    auto ticks = source.read();
    ASSERT_TRUE(ticks.has_value());
    EXPECT_EQ(ticks->cores[0], (CoreTicks{1, 3, 4, 2}));
}

TEST(LinuxCpuTickSource, MalformedOrMissingFilesReadAsAbsent) {
    const std::string bad[] = {
        "",                                            // empty
        "cpu  1 2 3 4\n",                              // no per-core lines
        stat("cpu0 1 2 x 4\n"),                        // garbage number
        stat("cpu0 1 2\n"),                            // truncated line
        stat("cpu0 99999999999999999999999 1 2 3\n"),  // overflow
    };
    for (const std::string& text : bad) {
        FixtureTree tree;
        tree.write("proc/stat", text);
        LinuxCpuTickSource source(tree.root());
        EXPECT_FALSE(source.read().has_value()) << text;
    }
    FixtureTree empty;
    EXPECT_FALSE(LinuxCpuTickSource(empty.root()).read().has_value());
}

TEST(LinuxCpuTickSource, AProcessorGoingOfflineChangesTheLayout) {
    FixtureTree tree;
    tree.write("proc/stat", stat("cpu0 1 0 0 1\ncpu1 1 0 0 1\n"));
    LinuxCpuTickSource source(tree.root());
    unsigned first = source.read()->layout;
    tree.write("proc/stat", stat("cpu0 2 0 0 2\ncpu2 1 0 0 1\n"));
    auto ticks = source.read();
    EXPECT_NE(ticks->layout, first);
    EXPECT_EQ(source.read()->layout, ticks->layout);
}

TEST(LinuxCpuTickSource, ThisMachineHasOneEntryPerOnlineProcessor) {
    CPUReader reader(std::make_unique<LinuxCpuTickSource>());
    reader.read();
    std::optional<CPUSample> s;
    for (int i = 0; i < 50 && !s; ++i) {
        ::usleep(20'000);
        s = reader.read();
    }
    ASSERT_TRUE(s.has_value());
    long online = sysconf(_SC_NPROCESSORS_ONLN);
    EXPECT_EQ(static_cast<long>(s->cores.size()), online);
    EXPECT_GE(s->total(), 0.0);
    EXPECT_LE(s->total(), 1.0);
}

}  // namespace
}  // namespace tv
