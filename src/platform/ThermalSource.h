#pragma once

#include <optional>
#include <vector>

#include "core/ThermalSample.h"

namespace tv {

// The raw sensor values of one reading, in °C; the sensors were chosen once.
struct SensorReadings {
    std::vector<double> cpu;     // the processor sensors to average (cores, else the package)
    std::vector<double> cpuAll;  // every processor sensor, for the hottest
    std::vector<double> gpu;
    std::optional<double> battery;
    std::vector<Fan> fans;  // in fan order; an unreadable speed is 0
};

class ThermalSource {
  public:
    virtual ~ThermalSource() = default;
    virtual SensorReadings read() = 0;
};

}  // namespace tv
