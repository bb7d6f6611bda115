#include "platform/linux/system/HwmonSensors.h"

#include <algorithm>

#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

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

bool hasRealFanLimits(const std::string& driver) {
    return driver == "applesmc" || startsWith(driver, "macsmc") || driver == "dell_smm" ||
           driver == "amdgpu";
}

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

// "hwmon10" comes after "hwmon9".
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

}  // namespace tv::linux_os
