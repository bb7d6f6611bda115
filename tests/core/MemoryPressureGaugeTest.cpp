#include "core/MemoryPressureGauge.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tv {
namespace {

PressureSignals memoryOnly(double available, double swapFree = 0) {
    return PressureSignals{std::nullopt, std::nullopt, available, swapFree};
}

PressureSignals stalls(double some, double full, double available) {
    return PressureSignals{some, full, available, 1.0};
}

// Feeds one reading a second and returns the level after each.
std::vector<int> run(MemoryPressureGauge& gauge, const PressureSignals& s, int seconds,
                     double& clock) {
    std::vector<int> levels;
    for (int i = 0; i < seconds; ++i) {
        levels.push_back(gauge.update(s, clock));
        clock += 1;
    }
    return levels;
}

TEST(MemoryPressureGauge, LevelsFromFreeMemoryAndSwap) {
    struct Case {
        PressureSignals signals;
        int level;
    };
    const Case cases[] = {
        {memoryOnly(0.60), 1},
        {memoryOnly(0.15, 0.0), 2},   // little memory, no swap
        {memoryOnly(0.15, 0.9), 1},   // little memory but plenty of swap
        {memoryOnly(0.05, 0.05), 4},  // out of both
        {memoryOnly(0.05, 0.20), 2},
        {stalls(12, 0, 0.45), 2},  // stalls with memory under half free
        {stalls(0, 6, 0.45), 2},
        {stalls(20, 12, 0.45), 4},
        {stalls(50, 30, 0.80), 1},  // a stall spike with plenty free is I/O, not memory
        {PressureSignals{5, 5, std::nullopt, 0}, 0},  // nothing readable
    };
    for (const Case& c : cases) {
        MemoryPressureGauge gauge;
        EXPECT_EQ(gauge.update(c.signals, 0), c.level)
            << "available " << c.signals.available.value_or(-1) << " swap " << c.signals.swapFree;
    }
}

TEST(MemoryPressureGauge, RisesAtOnceAndRecoversOneStepPerFifteenSeconds) {
    MemoryPressureGauge gauge;
    double clock = 100;
    EXPECT_EQ(run(gauge, memoryOnly(0.6), 2, clock), (std::vector<int>{1, 1}));
    EXPECT_EQ(gauge.update(memoryOnly(0.05), clock++), 4);

    // Memory comes back: 15 s at critical, then 15 s at warning, then normal.
    std::vector<int> levels = run(gauge, memoryOnly(0.6), 32, clock);
    EXPECT_EQ(std::count(levels.begin(), levels.end(), 4), 15);
    EXPECT_EQ(std::count(levels.begin(), levels.end(), 2), 15);
    EXPECT_EQ(levels.back(), 1);
}

TEST(MemoryPressureGauge, HoversNearAThresholdWithoutFlapping) {
    MemoryPressureGauge gauge;
    double clock = 0;
    EXPECT_EQ(gauge.update(memoryOnly(0.19), clock++), 2);
    // 0.22 is above the entry threshold (0.20) but within the exit margin (0.25).
    auto levels = run(gauge, memoryOnly(0.22), 60, clock);
    EXPECT_EQ(std::count(levels.begin(), levels.end(), 2), 60);
    // Stalls halved still hold the level: 6 % "some" is below 10 but above 5.
    MemoryPressureGauge stalled;
    EXPECT_EQ(stalled.update(stalls(11, 0, 0.4), clock++), 2);
    levels = run(stalled, stalls(6, 0, 0.4), 30, clock);
    EXPECT_EQ(levels.back(), 2);
}

TEST(MemoryPressureGauge, ABriefRecoveryRestartsTheCalmCount) {
    MemoryPressureGauge gauge;
    double clock = 0;
    gauge.update(memoryOnly(0.15), clock++);
    run(gauge, memoryOnly(0.6), 10, clock);
    EXPECT_EQ(gauge.update(memoryOnly(0.24), clock++), 2);  // back within the margin
    auto levels = run(gauge, memoryOnly(0.6), 15, clock);
    EXPECT_EQ(levels.back(), 2);  // the 15 s start again
    EXPECT_EQ(gauge.update(memoryOnly(0.6), clock++), 1);
}

TEST(MemoryPressureGauge, CriticalToWarningWhenWarningThresholdsStillHold) {
    MemoryPressureGauge gauge;
    double clock = 0;
    gauge.update(memoryOnly(0.05), clock++);
    auto levels = run(gauge, memoryOnly(0.18), 60, clock);
    EXPECT_EQ(levels.front(), 4);
    EXPECT_EQ(levels.back(), 2);
}

}  // namespace
}  // namespace tv
