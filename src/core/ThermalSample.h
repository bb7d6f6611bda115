#pragma once

#include <optional>
#include <vector>

namespace tv {

// One fan, in revolutions per minute.
struct Fan {
    double rpm = 0;
    double min = 0;
    double max = 0;

    bool operator==(const Fan&) const = default;
};

// Temperatures in degrees Celsius and fans in fan-number order. The empty sample stands
// for a thermal reading not taken yet.
struct ThermalSample {
    std::optional<double> cpu;
    std::optional<double> cpuMax;
    std::optional<double> gpu;
    std::optional<double> battery;
    std::vector<Fan> fans;

    bool operator==(const ThermalSample&) const = default;
};

// 0 nominal, 1 fair, 2 serious, 3 critical; compared numerically. The demonstration
// setting can raise it beyond what the platform reports.
using ThermalState = int;

}  // namespace tv
