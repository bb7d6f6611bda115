#include "platform/linux/system/LinuxThermalStateSource.h"

#include <algorithm>
#include <set>

#include "platform/linux/system/HwmonSensors.h"

namespace tv::linux_os {

namespace {

std::optional<ThermalSignals::TripKind> tripKind(const std::string& type) {
    using Kind = ThermalSignals::TripKind;
    if (type == "active") {
        return Kind::active;
    }
    if (type == "passive") {
        return Kind::passive;
    }
    if (type == "hot") {
        return Kind::hot;
    }
    if (type == "critical") {
        return Kind::critical;
    }
    return std::nullopt;
}

// A limit in millidegrees, as °C; absent when missing or meaningless (0, or above 200 °C).
std::optional<double> limitIn(const std::string& path) {
    ProcFile file(path, false);
    auto milli = readNumber(file);
    if (!milli || *milli <= 0 || *milli > 200'000) {
        return std::nullopt;
    }
    return *milli / 1000.0;
}

bool isProcessorCooling(const std::string& type) {
    return type == "intel_powerclamp" || type.rfind("thermal-cpufreq", 0) == 0 ||
           type.rfind("cpufreq-", 0) == 0;
}

}  // namespace

LinuxThermalStateSource::LinuxThermalStateSource(const std::string& root, Clock clock)
    : clock_(std::move(clock)) {
    for (const std::string& dir : numbered(root + "/sys/class/hwmon", "hwmon")) {
        std::string driver = trimmed(readFile(dir + "/name"));
        std::vector<std::string> names = listDirectory(dir);
        for (int n : inputs(names, "temp")) {
            std::string base = dir + "/temp" + std::to_string(n);
            Role role = roleOf(driver, trimmed(readFile(base + "_label")), n);
            if (role != Role::cpuCore && role != Role::cpuPackage && role != Role::gpu) {
                continue;
            }
            Sensor sensor{std::make_unique<ProcFile>(base + "_input"),
                          limitIn(base + "_max"),
                          limitIn(base + "_crit"),
                          {},
                          {}};
            if (readFile(base + "_max_alarm")) {
                sensor.maxAlarms.push_back(std::make_unique<ProcFile>(base + "_max_alarm"));
            }
            for (const char* alarm : {"_crit_alarm", "_emergency_alarm"}) {
                if (readFile(base + alarm)) {
                    sensor.critAlarms.push_back(std::make_unique<ProcFile>(base + alarm));
                }
            }
            sensors_.push_back(std::move(sensor));
        }
        if (hasRealFanLimits(driver)) {
            for (int n : inputs(names, "fan")) {
                std::string base = dir + "/fan" + std::to_string(n);
                ProcFile max(base + "_max", false);
                if (auto top = readNumber(max); top && *top > 0) {
                    fans_.push_back({std::make_unique<ProcFile>(base + "_input"), *top});
                }
            }
        }
    }
    for (const std::string& zone : numbered(root + "/sys/class/thermal", "thermal_zone")) {
        Zone z{std::make_unique<ProcFile>(zone + "/temp"), {}};
        for (int trip = 0; trip < 32; ++trip) {
            std::string base = zone + "/trip_point_" + std::to_string(trip);
            auto kind = tripKind(trimmed(readFile(base + "_type")));
            auto celsius = limitIn(base + "_temp");
            if (!kind && !celsius && !readFile(base + "_type")) {
                break;
            }
            if (kind && celsius) {
                z.trips.emplace_back(*celsius, *kind);
            }
        }
        if (!z.trips.empty()) {
            zones_.push_back(std::move(z));
        }
    }
    // One throttling counter per physical package (each CPU of a package shows the same).
    std::set<std::string> packages;
    const std::string cpus = root + "/sys/devices/system/cpu";
    for (const std::string& cpu : numbered(cpus, "cpu")) {
        std::string package = trimmed(readFile(cpu + "/topology/physical_package_id"));
        std::string count = cpu + "/thermal_throttle/package_throttle_count";
        if (packages.insert(package).second && readFile(count)) {
            throttleCounts_.push_back(std::make_unique<ProcFile>(count));
        }
    }
    bool processorDevice = false;
    for (const std::string& device : numbered(root + "/sys/class/thermal", "cooling_device")) {
        std::string type = trimmed(readFile(device + "/type"));
        // ACPI lists one "Processor" device per CPU; they move together, one is enough.
        bool wanted = isProcessorCooling(type) || (type == "Processor" && !processorDevice);
        if (wanted && readFile(device + "/cur_state")) {
            processorDevice = processorDevice || type == "Processor";
            coolingStates_.push_back(std::make_unique<ProcFile>(device + "/cur_state"));
        }
    }
}

bool LinuxThermalStateSource::empty() const {
    return sensors_.empty() && zones_.empty() && throttleCounts_.empty() &&
           coolingStates_.empty() && fans_.empty();
}

double LinuxThermalStateSource::now() const {
    return clock_ ? clock_() : monotonicSeconds();
}

ThermalSignals LinuxThermalStateSource::signals() {
    ThermalSignals s;
    for (Sensor& sensor : sensors_) {
        auto milli = readNumber(*sensor.input);
        if (!milli) {
            continue;
        }
        ThermalSignals::Sensor reading{*milli / 1000.0, sensor.max, sensor.crit, false, false};
        for (auto& alarm : sensor.maxAlarms) {
            reading.maxAlarm = reading.maxAlarm || readNumber(*alarm).value_or(0) > 0;
        }
        for (auto& alarm : sensor.critAlarms) {
            reading.critAlarm = reading.critAlarm || readNumber(*alarm).value_or(0) > 0;
        }
        s.sensors.push_back(reading);
    }
    for (Zone& zone : zones_) {
        if (auto milli = readNumber(*zone.temp)) {
            for (const auto& [celsius, kind] : zone.trips) {
                s.trips.push_back({*milli / 1000.0, celsius, kind});
            }
        }
    }
    double total = 0;
    for (auto& count : throttleCounts_) {
        total += readNumber(*count).value_or(0);
    }
    s.throttled = lastThrottleTotal_ && total > *lastThrottleTotal_;
    lastThrottleTotal_ = total;
    for (auto& state : coolingStates_) {
        s.coolingActive = s.coolingActive || readNumber(*state).value_or(0) > 0;
    }
    for (FanLimit& fan : fans_) {
        s.fanShare = std::max(s.fanShare, readNumber(*fan.input).value_or(0) / fan.max);
    }
    return s;
}

ThermalState LinuxThermalStateSource::read() {
    if (calls_++ % 2 == 0 && !empty()) {
        state_ = gauge_.update(signals(), now());
    }
    return state_;
}

}  // namespace tv::linux_os
