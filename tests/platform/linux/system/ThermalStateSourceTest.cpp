#include "platform/linux/system/LinuxThermalStateSource.h"

#include <gtest/gtest.h>

#include "support/FixtureTree.h"

namespace tv {
namespace {

using linux_os::LinuxThermalStateSource;
using test::FixtureTree;

// A laptop: coretemp with its limits, a zone with a passive trip, a throttling counter, an
// ACPI processor cooling device.
class ThermalStateMachine : public testing::Test {
  protected:
    ThermalStateMachine() {
        tree.write("sys/class/hwmon/hwmon0/name", "coretemp\n");
        tree.write("sys/class/hwmon/hwmon0/temp1_label", "Package id 0\n");
        tree.write("sys/class/hwmon/hwmon0/temp1_max", "100000\n");
        tree.write("sys/class/hwmon/hwmon0/temp1_crit", "110000\n");
        tree.write("sys/class/hwmon/hwmon0/temp1_crit_alarm", "0\n");
        setCpu(50);
        tree.write("sys/class/thermal/thermal_zone0/type", "acpitz\n");
        tree.write("sys/class/thermal/thermal_zone0/trip_point_0_type", "critical\n");
        tree.write("sys/class/thermal/thermal_zone0/trip_point_0_temp", "120000\n");
        tree.write("sys/class/thermal/thermal_zone0/trip_point_1_type", "passive\n");
        tree.write("sys/class/thermal/thermal_zone0/trip_point_1_temp", "95000\n");
        setZone(40);
        tree.write("sys/devices/system/cpu/cpu0/topology/physical_package_id", "0\n");
        tree.write("sys/devices/system/cpu/cpu1/topology/physical_package_id", "0\n");
        setThrottles(7);
        tree.write("sys/devices/system/cpu/cpu1/thermal_throttle/package_throttle_count", "7\n");
        tree.write("sys/class/thermal/cooling_device0/type", "Processor\n");
        tree.write("sys/class/thermal/cooling_device0/cur_state", "0\n");
        tree.write("sys/class/thermal/cooling_device1/type", "Processor\n");
        tree.write("sys/class/thermal/cooling_device1/cur_state", "0\n");
    }
    void setCpu(int c) {
        tree.write("sys/class/hwmon/hwmon0/temp1_input", std::to_string(c * 1000) + "\n");
    }
    void setZone(int c) {
        tree.write("sys/class/thermal/thermal_zone0/temp", std::to_string(c * 1000) + "\n");
    }
    void setThrottles(int n) {
        tree.write("sys/devices/system/cpu/cpu0/thermal_throttle/package_throttle_count",
                   std::to_string(n) + "\n");
    }
    // Two calls a second, as a state is derived on every other call; the state after both.
    int second(LinuxThermalStateSource& source) {
        source.read();
        clock += 1;
        return source.read();
    }

    FixtureTree tree;
    double clock = 0;
};

TEST_F(ThermalStateMachine, ThrottlingCountersRising) {
    LinuxThermalStateSource source(tree.root(), [this] { return clock; });
    EXPECT_TRUE(source.known());
    EXPECT_EQ(second(source), 0);
    setThrottles(9);
    EXPECT_EQ(second(source), 2);
    int state = 2;
    for (int i = 0; i < 14; ++i) {
        state = second(source);
    }
    EXPECT_EQ(state, 2);  // remembered 5 s, then 10 s of calm before the first step down
    for (int i = 0; i < 20; ++i) {
        state = second(source);
    }
    EXPECT_EQ(state, 0);
}

TEST_F(ThermalStateMachine, AZoneReachingItsPassiveTripThenCooling) {
    LinuxThermalStateSource source(tree.root(), [this] { return clock; });
    setZone(86);
    EXPECT_EQ(second(source), 1);
    setZone(95);
    EXPECT_EQ(second(source), 2);
    setZone(93);  // not yet 3 °C below
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(second(source), 2);
    }
    setZone(50);
    int state = 2;
    for (int i = 0; i < 25; ++i) {
        state = second(source);
    }
    EXPECT_EQ(state, 0);
}

TEST_F(ThermalStateMachine, CriticalFromTheDriversLimitAndAlarms) {
    LinuxThermalStateSource source(tree.root(), [this] { return clock; });
    setCpu(106);  // within 5 °C of the 110 °C crit
    EXPECT_EQ(second(source), 3);
    LinuxThermalStateSource alarmed(tree.root(), [this] { return clock; });
    setCpu(60);
    tree.write("sys/class/hwmon/hwmon0/temp1_crit_alarm", "1\n");
    EXPECT_EQ(second(alarmed), 3);
}

TEST_F(ThermalStateMachine, AnEngagedCoolingDevice) {
    LinuxThermalStateSource source(tree.root(), [this] { return clock; });
    tree.write("sys/class/thermal/cooling_device0/cur_state", "3\n");
    EXPECT_EQ(second(source), 2);
}

TEST(ThermalStateSource, ARyzenUnderLoadIsWarmUntilSomethingBesidesItsSensorSaysMore) {
    FixtureTree tree;
    tree.write("sys/class/hwmon/hwmon0/name", "k10temp\n");
    tree.write("sys/class/hwmon/hwmon0/temp1_label", "Tctl\n");
    tree.write("sys/class/hwmon/hwmon0/temp3_label", "Tccd1\n");
    tree.write("sys/class/hwmon/hwmon1/name", "zenpower\n");
    tree.write("sys/class/hwmon/hwmon1/temp1_label", "Tdie\n");
    auto at = [&](int tctl, int tccd, int tdie) {
        tree.write("sys/class/hwmon/hwmon0/temp1_input", std::to_string(tctl * 1000) + "\n");
        tree.write("sys/class/hwmon/hwmon0/temp3_input", std::to_string(tccd * 1000) + "\n");
        tree.write("sys/class/hwmon/hwmon1/temp1_input", std::to_string(tdie * 1000) + "\n");
    };
    at(88, 95, 96);
    LinuxThermalStateSource source(tree.root(), [] { return 0.0; });
    EXPECT_EQ(source.read(), 1);
    tree.write("sys/class/thermal/cooling_device0/type", "Processor\n");
    tree.write("sys/class/thermal/cooling_device0/cur_state", "2\n");
    LinuxThermalStateSource cooled(tree.root(), [] { return 0.0; });
    EXPECT_EQ(cooled.read(), 2) << "the system cooling the processor says more";
}

TEST(ThermalStateSource, NothingToGoByReadsNominal) {
    FixtureTree empty;
    LinuxThermalStateSource source(empty.root(), [] { return 0.0; });
    EXPECT_FALSE(source.known());
    EXPECT_EQ(source.read(), 0);
    FixtureTree garbage;
    garbage.write("sys/class/hwmon/hwmon0/name", "coretemp\n");
    garbage.write("sys/class/hwmon/hwmon0/temp1_input", "hot\n");
    garbage.write("sys/class/hwmon/hwmon0/temp1_max", "-1\n");
    LinuxThermalStateSource broken(garbage.root(), [] { return 0.0; });
    EXPECT_EQ(broken.read(), 0);
}

}  // namespace
}  // namespace tv
