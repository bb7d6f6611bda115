#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the hwmon and thermal folders of /sys hold, shared by the temperature and the thermal
// state readers.
namespace tv::linux_os {

enum class Role { cpuCore, cpuPackage, gpu, battery, none };

// What a temperature sensor measures, by its driver's name and the sensor's label.
Role roleOf(const std::string& driver, const std::string& label, int index);

// Drivers whose fan minimum and maximum are speeds the fan really runs at.
bool hasRealFanLimits(const std::string& driver);

// The numbers N of files "<prefix>N_input" among `names`, ascending.
std::vector<int> inputs(const std::vector<std::string>& names, std::string_view prefix);

// The paths of `folder`'s entries named prefix + a number, in numeric order.
std::vector<std::string> numbered(const std::string& folder, std::string_view prefix);

// A small file's text without trailing blanks; empty when unreadable.
std::string trimmed(std::optional<std::string> text);

}  // namespace tv::linux_os
