#include "platform/linux/system/LinuxThermalSource.h"

#include "platform/linux/system/HwmonSensors.h"

#include <algorithm>

namespace tv::linux_os {

LinuxThermalSource::LinuxThermalSource(const std::string& root) {
    std::vector<Sensor> cores, packages;
    for (const std::string& dir : numbered(root + "/sys/class/hwmon", "hwmon")) {
        addHwmon(dir, cores, packages);
    }
    if (cores.empty() && packages.empty()) {
        for (const std::string& zone : numbered(root + "/sys/class/thermal", "thermal_zone")) {
            if (roleOf(trimmed(readFile(zone + "/type")), "", 0) == Role::cpuPackage) {
                packages.push_back({std::make_unique<ProcFile>(zone + "/temp"), 0.001});
            }
        }
    }
    for (const std::string& supply : numbered(root + "/sys/class/power_supply", "BAT")) {
        if (readFile(supply + "/temp")) {
            battery_ = Sensor{std::make_unique<ProcFile>(supply + "/temp"), 0.1};
            break;
        }
    }
    for (const auto* list : {&cores, &packages}) {
        for (const Sensor& s : *list) {
            cpuAll_.push_back({std::make_unique<ProcFile>(s.file->path()), s.scale});
        }
    }
    cpu_ = std::move(cores.empty() ? packages : cores);
}

void LinuxThermalSource::addHwmon(const std::string& dir, std::vector<Sensor>& cores,
                                  std::vector<Sensor>& packages) {
    std::string driver = trimmed(readFile(dir + "/name"));
    std::vector<std::string> names = listDirectory(dir);
    for (int n : inputs(names, "temp")) {
        std::string base = dir + "/temp" + std::to_string(n);
        Role role = roleOf(driver, trimmed(readFile(base + "_label")), n);
        auto file = std::make_unique<ProcFile>(base + "_input");
        switch (role) {
            case Role::cpuCore:
                cores.push_back({std::move(file), 0.001});
                break;
            case Role::cpuPackage:
                packages.push_back({std::move(file), 0.001});
                break;
            case Role::gpu:
                gpu_.push_back({std::move(file), 0.001});
                break;
            case Role::battery:
                if (!battery_) {
                    battery_ = Sensor{std::move(file), 0.001};
                }
                break;
            case Role::none:
                break;
        }
    }
    for (int n : inputs(names, "fan")) {
        std::string base = dir + "/fan" + std::to_string(n);
        FanSensor fan{std::make_unique<ProcFile>(base + "_input"), 0, 0};
        if (hasRealFanLimits(driver)) {
            ProcFile min(base + "_min", false), max(base + "_max", false);
            fan.min = std::max(0.0, readNumber(min).value_or(0));
            fan.max = std::max(0.0, readNumber(max).value_or(0));
        }
        fans_.push_back(std::move(fan));
    }
}

bool LinuxThermalSource::empty() const {
    return cpuAll_.empty() && gpu_.empty() && !battery_ && fans_.empty();
}

SensorReadings LinuxThermalSource::read() {
    SensorReadings r;
    auto collect = [](std::vector<Sensor>& sensors, std::vector<double>& into) {
        for (Sensor& s : sensors) {
            if (auto raw = readNumber(*s.file)) {
                into.push_back(*raw * s.scale);
            }
        }
    };
    collect(cpu_, r.cpu);
    collect(cpuAll_, r.cpuAll);
    collect(gpu_, r.gpu);
    if (battery_) {
        if (auto raw = readNumber(*battery_->file)) {
            r.battery = *raw * battery_->scale;
        }
    }
    for (FanSensor& fan : fans_) {
        double rpm = readNumber(*fan.input).value_or(0);
        r.fans.push_back(Fan{rpm > 0 ? rpm : 0, fan.min, fan.max});
    }
    return r;
}

}  // namespace tv::linux_os
