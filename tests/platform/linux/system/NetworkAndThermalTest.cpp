#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "core/SmcValue.h"
#include "platform/linux/system/LinuxGpuSource.h"
#include "platform/linux/system/LinuxNetworkSource.h"
#include "platform/linux/system/LinuxThermalSource.h"
#include "readers/NetworkReader.h"
#include "readers/ThermalReader.h"
#include "support/FixtureTree.h"

namespace tv {
namespace {

using namespace linux_os;
using test::FixtureTree;

// An interface with a device behind it (a symlink, as in sysfs) and a link type.
void interface(const FixtureTree& tree, const std::string& name, bool device, int type) {
    tree.write("sys/class/net/" + name + "/type", std::to_string(type) + "\n");
    if (device) {
        std::filesystem::create_directories(tree.root() + "/sys/devices/pci/" + name);
        std::filesystem::create_directory_symlink(
            tree.root() + "/sys/devices/pci/" + name,
            tree.root() + "/sys/class/net/" + name + "/device");
    }
}

std::string netDev(std::uint64_t ethIn, std::uint64_t ethOut, std::uint64_t wlanIn) {
    auto row = [](const char* name, std::uint64_t in, std::uint64_t out) {
        return std::string(name) + ": " + std::to_string(in) + " 10 0 0 0 0 0 0 " +
               std::to_string(out) + " 10 0 0 0 0 0 0\n";
    };
    return "Inter-|   Receive |  Transmit\n face |bytes packets|bytes packets\n" +
           row("    lo", 999'999, 999'999) + row("  eth0", ethIn, ethOut) +
           row("wlp2s0", wlanIn, 0) + row("p2p-wlp2s0-0", 555'555, 555'555) +
           row("docker0", 777'777, 777'777) + row("  tun0", 888'888, 888'888);
}

TEST(NetworkReader, PhysicalInterfacesOnlyAndRatesOverUptime) {
    FixtureTree tree;
    interface(tree, "lo", false, 772);
    interface(tree, "eth0", true, 1);
    interface(tree, "wlp2s0", true, 1);
    interface(tree, "p2p-wlp2s0-0", true, 1);
    interface(tree, "docker0", false, 1);
    interface(tree, "tun0", false, 65534);
    double clock = 100;
    NetworkReader reader(std::make_unique<LinuxNetworkSource>(tree.root(), [&] { return clock; }));

    tree.write("proc/net/dev", netDev(1'000'000, 500, 2'000'000));
    EXPECT_EQ(reader.read(), (NetworkRate{0, 0}));  // nothing to compare with yet
    clock += 2;
    tree.write("proc/net/dev", netDev(1'600'000, 700, 2'400'000));
    EXPECT_EQ(reader.read(), (NetworkRate{500'000, 100}));
    clock += 1;
    tree.write("proc/net/dev", netDev(10, 10, 10));  // an interface was reset
    EXPECT_EQ(reader.read(), (NetworkRate{0, 0}));
    clock += 1;
    tree.write("proc/net/dev", netDev(1010, 10, 1010));
    EXPECT_EQ(reader.read(), (NetworkRate{2000, 0}));
    EXPECT_EQ(reader.read(), (NetworkRate{0, 0}));  // no time passed
}

TEST(NetworkReader, UnreadableOrGarbageGivesZero) {
    FixtureTree tree;
    NetworkReader missing(std::make_unique<LinuxNetworkSource>(tree.root(), [] { return 1.0; }));
    EXPECT_EQ(missing.read(), (NetworkRate{0, 0}));
    tree.write("proc/net/dev", "garbage\n eth0: x y z\n");
    NetworkReader garbage(std::make_unique<LinuxNetworkSource>(tree.root(), [] { return 1.0; }));
    EXPECT_EQ(garbage.read(), (NetworkRate{0, 0}));
}

TEST(SmcValue, DecodesEachType) {
    using Bytes = std::vector<std::uint8_t>;
    EXPECT_EQ(Smc::decode("sp78", Bytes{0x1A, 0x80}), 26.5);
    EXPECT_EQ(Smc::decode("sp78", Bytes{0xFF, 0x00}), -1.0);
    EXPECT_EQ(Smc::decode("fpe2", Bytes{0x1F, 0x40}), 2000.0);
    EXPECT_EQ(Smc::decode("ui8 ", Bytes{0x02}), 2.0);
    EXPECT_EQ(Smc::decode("ui32", Bytes{0x00, 0x00, 0x01, 0x00}), 256.0);
    float f = 41.5f;
    Bytes flt(4);
    std::memcpy(flt.data(), &f, 4);
    EXPECT_EQ(Smc::decode("flt ", flt), 41.5);
    EXPECT_FALSE(Smc::decode("flt ", Bytes{1, 2, 3}).has_value());
    EXPECT_FALSE(Smc::decode("sp78", Bytes{1}).has_value());
    EXPECT_FALSE(Smc::decode("ch8*", Bytes{1, 2}).has_value());
    EXPECT_EQ(Smc::keyCode("TB0T"), 0x54423054u);
}

// A fixture of /sys with hwmon devices: each sensor as (driver, label, value).
class Sensors : public testing::Test {
  protected:
    std::string hwmon(const std::string& driver) {
        std::string dir = "sys/class/hwmon/hwmon" + std::to_string(next++) + "/";
        tree.write(dir + "name", driver + "\n");
        return dir;
    }
    void temp(const std::string& dir, int n, const std::string& label, const std::string& milli) {
        if (!label.empty()) {
            tree.write(dir + "temp" + std::to_string(n) + "_label", label + "\n");
        }
        tree.write(dir + "temp" + std::to_string(n) + "_input", milli + "\n");
    }
    ThermalSample read() {
        return ThermalReader(std::make_unique<LinuxThermalSource>(tree.root())).read();
    }

    FixtureTree tree;
    int next = 0;
};

TEST_F(Sensors, AnIntelLaptop) {
    std::string core = hwmon("coretemp");
    temp(core, 1, "Package id 0", "72000");
    temp(core, 2, "Core 0", "50000");
    temp(core, 3, "Core 1", "60000");
    temp(hwmon("acpitz"), 1, "", "45000");
    std::string pad = hwmon("thinkpad");
    temp(pad, 1, "CPU", "70000");
    tree.write(pad + "fan1_input", "2400\n");
    tree.write("sys/class/power_supply/BAT0/temp", "305\n");
    ThermalSample t = read();
    EXPECT_EQ(t.cpu, 55.0);     // the cores
    EXPECT_EQ(t.cpuMax, 72.0);  // the package is hotter
    EXPECT_FALSE(t.gpu.has_value());
    EXPECT_EQ(t.battery, 30.5);
    EXPECT_EQ(t.fans, (std::vector<Fan>{{2400, 0, 0}}));
}

TEST_F(Sensors, AnAmdDesktop) {
    std::string k10 = hwmon("k10temp");
    temp(k10, 1, "Tctl", "75000");
    temp(k10, 2, "Tdie", "65000");
    temp(k10, 3, "Tccd1", "60000");
    temp(k10, 4, "Tccd2", "70000");
    std::string gpu = hwmon("amdgpu");
    temp(gpu, 1, "edge", "50000");
    temp(gpu, 2, "junction", "58000");
    temp(gpu, 3, "mem", "90000");
    tree.write(gpu + "fan1_input", "900\n");
    tree.write(gpu + "fan1_min", "0\n");
    tree.write(gpu + "fan1_max", "3300\n");
    std::string superIo = hwmon("nct6775");
    tree.write(superIo + "fan1_input", "1200\n");
    tree.write(superIo + "fan1_min", "300\n");  // an alarm threshold, not a limit
    tree.write(superIo + "fan2_input", "garbage\n");
    ThermalSample t = read();
    EXPECT_EQ(t.cpu, 65.0);
    EXPECT_EQ(t.cpuMax, 75.0);
    EXPECT_EQ(t.gpu, 54.0);
    EXPECT_EQ(t.fans, (std::vector<Fan>{{900, 0, 3300}, {1200, 0, 0}, {0, 0, 0}}));
}

TEST_F(Sensors, AnAppleSiliconMachineRunningLinux) {
    std::string smc = hwmon("macsmc_hwmon");
    temp(smc, 1, "CPU P-cluster 1", "45000");
    temp(smc, 2, "CPU E-cluster", "55000");
    temp(smc, 3, "GPU", "40000");
    temp(smc, 4, "Battery", "31000");
    tree.write(smc + "fan1_input", "1200\n");
    tree.write(smc + "fan1_min", "1000\n");
    tree.write(smc + "fan1_max", "5000\n");
    ThermalSample t = read();
    EXPECT_EQ(t.cpu, 50.0);
    EXPECT_EQ(t.cpuMax, 55.0);
    EXPECT_EQ(t.gpu, 40.0);
    EXPECT_EQ(t.battery, 31.0);
    EXPECT_EQ(t.fans, (std::vector<Fan>{{1200, 1000, 5000}}));
}

TEST_F(Sensors, AMachineWithNothingHasNoSource) {
    EXPECT_TRUE(LinuxThermalSource(tree.root()).empty());
    EXPECT_EQ(read(), ThermalSample{});
}

TEST_F(Sensors, OnlyPlausibleValuesCount) {
    std::string core = hwmon("coretemp");
    temp(core, 1, "Core 0", "0");
    temp(core, 2, "Core 1", "150000");
    temp(core, 3, "Core 2", "-5000");
    temp(core, 4, "Core 3", "149900");
    tree.write("sys/class/power_supply/BAT0/temp", "800\n");  // exactly 80: absent
    ThermalSample t = read();
    EXPECT_EQ(t.cpu, 149.9);
    EXPECT_EQ(t.cpuMax, 149.9);
    EXPECT_FALSE(t.battery.has_value());
    tree.write("sys/class/power_supply/BAT0/temp", "795\n");
    EXPECT_EQ(read().battery, 79.5);
}

TEST_F(Sensors, APackageZoneStandsInWithoutHwmonProcessorSensors) {
    tree.write("sys/class/thermal/thermal_zone0/type", "acpitz\n");
    tree.write("sys/class/thermal/thermal_zone0/temp", "40000\n");
    tree.write("sys/class/thermal/thermal_zone1/type", "x86_pkg_temp\n");
    tree.write("sys/class/thermal/thermal_zone1/temp", "61000\n");
    ThermalSample t = read();
    EXPECT_EQ(t.cpu, 61.0);
    EXPECT_EQ(t.cpuMax, 61.0);
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {

// A DRM card whose device is bound to `driver` (a symlink, as in sysfs).
void card(const test::FixtureTree& tree, const std::string& name, const std::string& driver) {
    std::string device = "sys/class/drm/" + name + "/device";
    std::filesystem::create_directories(tree.root() + "/" + device);
    std::filesystem::create_directories(tree.root() + "/sys/bus/pci/drivers/" + driver);
    std::filesystem::create_directory_symlink(tree.root() + "/sys/bus/pci/drivers/" + driver,
                                              tree.root() + "/" + device + "/driver");
}

TEST(GpuUse, TheBusiestOfAmdAndIntelGpus) {
    test::FixtureTree tree;
    card(tree, "card0", "amdgpu");
    tree.write("sys/class/drm/card0/device/gpu_busy_percent", "37\n");
    card(tree, "card1", "i915");
    tree.write("sys/class/drm/card1/gt/gt0/rc6_residency_ms", "1000\n");
    tree.write("sys/class/drm/card0-HDMI-A-1/status", "connected\n");
    double clock = 10;
    linux_os::LinuxGpuSource gpu(
        tree.root(), [&] { return clock; }, false);
    EXPECT_EQ(gpu.read(), 0.37);  // the Intel GPU has no interval yet
    clock += 2;
    tree.write("sys/class/drm/card1/gt/gt0/rc6_residency_ms", "1500\n");  // idle 0.5 s of 2
    EXPECT_DOUBLE_EQ(*gpu.read(), 0.75);
    tree.write("sys/class/drm/card0/device/gpu_busy_percent", "90\n");
    clock += 1;
    tree.write("sys/class/drm/card1/gt/gt0/rc6_residency_ms", "2500\n");  // idle all along
    EXPECT_DOUBLE_EQ(*gpu.read(), 0.9);
}

TEST(GpuUse, NoGpuIsAbsent) {
    test::FixtureTree tree;
    card(tree, "card0", "virtio-pci");
    linux_os::LinuxGpuSource gpu(
        tree.root(), [] { return 1.0; }, false);
    EXPECT_TRUE(gpu.empty());
    EXPECT_FALSE(gpu.read().has_value());
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {

// Real virtual interfaces on this machine: they never count, whatever crosses them.
TEST(NetworkInterfaces, VirtualOnesNeverCount) {
    if (::geteuid() != 0 || std::system("command -v ip >/dev/null") != 0) {
        GTEST_SKIP() << "needs root and iproute2 to make interfaces";
    }
    std::string suffix = std::to_string(::getpid() % 10000);
    std::string dummy = "tvdum" + suffix, veth = "tvveth" + suffix, peer = "tvpeer" + suffix;
    if (std::system(
            ("ip link add " + veth + " type veth peer name " + peer + " 2>/dev/null").c_str()) !=
        0) {
        GTEST_SKIP() << "cannot make interfaces here";
    }
    // Not every kernel has the dummy driver.
    bool hasDummy = std::system(("ip link add " + dummy + " type dummy 2>/dev/null").c_str()) == 0;
    linux_os::LinuxNetworkSource source;
    EXPECT_FALSE(source.isPhysical(veth));
    EXPECT_FALSE(source.isPhysical(peer));
    EXPECT_FALSE(source.isPhysical("lo"));
    if (hasDummy) {
        EXPECT_FALSE(source.isPhysical(dummy));
        EXPECT_EQ(std::system(("ip link del " + dummy).c_str()), 0);
    }
    EXPECT_EQ(std::system(("ip link del " + veth).c_str()), 0);
}

}  // namespace
}  // namespace tv
