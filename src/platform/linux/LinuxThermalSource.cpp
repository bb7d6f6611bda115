#include "platform/linux/LinuxThermalSource.h"

#include <algorithm>

namespace tv::linux_os {

namespace {

enum class Role { cpuCore, cpuPackage, gpu, battery, none };

std::string trimmed(std::optional<std::string> text) {
    if (!text) {
        return {};
    }
    std::string_view view = *text;
    while (!view.empty() && (view.back() == '\n' || view.back() == ' ' || view.back() == '\0')) {
        view.remove_suffix(1);
    }
    return std::string(view);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

Role roleOf(const std::string& driver, const std::string& label, int index) {
    if (driver == "coretemp") {
        return startsWith(label, "Core") ? Role::cpuCore : Role::cpuPackage;
    }
    if (driver == "k10temp" || driver == "zenpower") {
        if (startsWith(label, "Tccd")) {
            return Role::cpuCore;
        }
        return label == "Tctl" || label == "Tdie" || label.empty() ? Role::cpuPackage : Role::none;
    }
    if (driver == "thinkpad" || driver == "dell_smm") {
        if (label == "CPU" || (label.empty() && index == 1 && driver == "thinkpad")) {
            return Role::cpuPackage;
        }
        return label == "GPU" ? Role::gpu : Role::none;
    }
    if (driver == "applesmc") {
        return startsWith(label, "TC")   ? Role::cpuCore
               : startsWith(label, "TG") ? Role::gpu
                                         : Role::none;
    }
    if (startsWith(driver, "macsmc")) {
        if (contains(label, "CPU") || startsWith(label, "Tp") || startsWith(label, "Te")) {
            return Role::cpuCore;
        }
        if (contains(label, "GPU") || startsWith(label, "Tg")) {
            return Role::gpu;
        }
        return contains(label, "Battery") || startsWith(label, "TB") ? Role::battery : Role::none;
    }
    if (driver == "cpu_thermal" || driver == "soc_thermal" || driver == "x86_pkg_temp") {
        return Role::cpuPackage;
    }
    if (driver == "amdgpu") {
        return label == "edge" || label == "junction" || label.empty() ? Role::gpu : Role::none;
    }
    if (driver == "radeon" || driver == "nouveau") {
        return Role::gpu;
    }
    if (startsWith(driver, "BAT") || driver == "battery") {
        return Role::battery;
    }
    return Role::none;
}

// Drivers whose fan minimum and maximum are speeds the fan really runs at.
bool hasRealFanLimits(const std::string& driver) {
    return driver == "applesmc" || startsWith(driver, "macsmc") || driver == "dell_smm" ||
           driver == "amdgpu";
}

// The numbers N of files "<prefix>N_input" in a folder, ascending.
std::vector<int> inputs(const std::vector<std::string>& names, std::string_view prefix) {
    std::vector<int> found;
    for (const std::string& name : names) {
        std::string_view view = name;
        if (!startsWith(view, prefix) || view.size() < prefix.size() + 7 ||
            view.substr(view.size() - 6) != "_input") {
            continue;
        }
        auto number = parseUnsigned(view.substr(prefix.size(), view.size() - prefix.size() - 6));
        if (number && *number < 1000) {
            found.push_back(static_cast<int>(*number));
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

// "hwmon10" after "hwmon9": folders in numeric order.
std::vector<std::string> numbered(const std::string& folder, std::string_view prefix) {
    std::vector<std::pair<unsigned long long, std::string>> found;
    for (const std::string& name : listDirectory(folder)) {
        if (startsWith(name, prefix)) {
            if (auto n = parseUnsigned(std::string_view(name).substr(prefix.size()))) {
                found.emplace_back(*n, name);
            }
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& [n, name] : found) {
        names.push_back(folder + "/" + name);
    }
    return names;
}

}  // namespace

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
