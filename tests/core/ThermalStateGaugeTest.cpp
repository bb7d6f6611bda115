#include "core/ThermalStateGauge.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

using Kind = ThermalSignals::TripKind;

ThermalSignals cpuAt(double celsius, std::optional<double> max = 90,
                     std::optional<double> crit = 105) {
    ThermalSignals s;
    s.sensors.push_back({celsius, max, crit});
    return s;
}

TEST(ThermalStateGauge, LevelsFromLimitsTripsFansAndAlarms) {
    struct Case {
        ThermalSignals signals;
        int level;
    };
    ThermalSignals passive;
    passive.trips = {{96, 95, Kind::passive}};
    ThermalSignals nearPassive;
    nearPassive.trips = {{86, 95, Kind::passive}};
    ThermalSignals activeTrip;
    activeTrip.trips = {{51, 50, Kind::active}};
    ThermalSignals hotTrip;
    hotTrip.trips = {{96, 100, Kind::critical}};
    ThermalSignals fans;
    fans.fanShare = 0.85;
    ThermalSignals cooling;
    cooling.coolingActive = true;
    ThermalSignals alarm = cpuAt(50);
    alarm.sensors[0].critAlarm = true;
    const Case cases[] = {
        {cpuAt(50), 0},
        {cpuAt(80), 1},                     // within 10 °C of max
        {cpuAt(90), 2},                     // at max
        {cpuAt(100), 3},                    // within 5 °C of crit
        {cpuAt(80, std::nullopt, 110), 1},  // default max 85
        {cpuAt(86, std::nullopt, 110), 2},
        {cpuAt(95, 90, std::nullopt), 3},  // default crit 100
        // No limits at all: warm at most, however hot it reads.
        {cpuAt(74, std::nullopt, std::nullopt), 0},
        {cpuAt(88, std::nullopt, std::nullopt), 1},
        {cpuAt(99, std::nullopt, std::nullopt), 1},
        {passive, 2},
        {nearPassive, 1},
        {activeTrip, 1},
        {hotTrip, 3},
        {fans, 1},
        {cooling, 2},
        {alarm, 3},
        {ThermalSignals{}, 0},
    };
    for (const Case& c : cases) {
        ThermalStateGauge gauge;
        EXPECT_EQ(gauge.update(c.signals, 0), c.level);
    }
}

TEST(ThermalStateGauge, ThrottlingRaisesAndHoldsTheStateThenItCoolsOffStepByStep) {
    ThermalStateGauge gauge;
    double t = 0;
    ThermalSignals throttled = cpuAt(60);
    throttled.throttled = true;
    EXPECT_EQ(gauge.update(cpuAt(60), t++), 0);
    EXPECT_EQ(gauge.update(throttled, t++), 2);
    // No new throttling: remembered for 5 s, then 10 s of calm per step.
    std::vector<int> levels;
    for (int i = 0; i < 30; ++i) {
        levels.push_back(gauge.update(cpuAt(60), t++));
    }
    EXPECT_EQ(levels[3], 2);   // still remembered
    EXPECT_EQ(levels[13], 2);  // calm for 9 s
    EXPECT_EQ(levels[14], 1);  // one step down after 10 s
    EXPECT_EQ(levels[23], 1);
    EXPECT_EQ(levels[24], 0);
}

TEST(ThermalStateGauge, CoolingDownNeedsThreeDegreesOfMargin) {
    ThermalStateGauge gauge;
    double t = 0;
    EXPECT_EQ(gauge.update(cpuAt(91), t++), 2);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(gauge.update(cpuAt(88), t++), 2);  // below max, but not by 3 °C
    }
    std::vector<int> levels;
    for (int i = 0; i < 25; ++i) {
        levels.push_back(gauge.update(cpuAt(70), t++));
    }
    EXPECT_EQ(levels[0], 2);
    EXPECT_EQ(levels[10], 1);
    EXPECT_EQ(levels[20], 0);
}

TEST(ThermalStateGauge, AZoneCrossingItsPassiveTripAndBackDown) {
    ThermalStateGauge gauge;
    double t = 0;
    ThermalSignals zone;
    zone.trips = {{80, 95, Kind::passive}};
    EXPECT_EQ(gauge.update(zone, t++), 0);
    zone.trips[0].zoneCelsius = 95;
    EXPECT_EQ(gauge.update(zone, t++), 2);
    zone.trips[0].zoneCelsius = 93;  // within the 3 °C margin
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(gauge.update(zone, t++), 2);
    }
    zone.trips[0].zoneCelsius = 60;
    int level = 2;
    for (int i = 0; i < 25; ++i) {
        level = gauge.update(zone, t++);
    }
    EXPECT_EQ(level, 0);
}

}  // namespace
}  // namespace tv
