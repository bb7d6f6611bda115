#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ThermalSource.h"
#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

// Temperatures and fans from hwmon, thermal zones and the battery's power supply, with the
// sensors chosen once, when the source is made:
// - processor: coretemp cores (else its package), k10temp/zenpower Tccd (else Tctl/Tdie),
//   thinkpad/dell_smm "CPU", applesmc "TC*", macsmc CPU sensors, else an x86_pkg_temp or cpu
//   thermal zone;
// - graphics: amdgpu edge and junction, radeon, nouveau, dell_smm "GPU", applesmc/macsmc GPU;
// - battery: power_supply BAT*/temp, else a battery hwmon;
// - fans: every fanN_input in order, with min/max only from drivers whose limits are real
//   (Super I/O chips' fan_min is an alarm threshold, not a speed the fan runs at).
class LinuxThermalSource : public ThermalSource {
  public:
    explicit LinuxThermalSource(const std::string& root = "/");

    SensorReadings read() override;

    // No sensor and no fan was found.
    bool empty() const;

  private:
    struct Sensor {
        std::unique_ptr<ProcFile> file;
        double scale;  // °C per unit in the file
    };
    struct FanSensor {
        std::unique_ptr<ProcFile> input;
        double min = 0;
        double max = 0;
    };

    void addHwmon(const std::string& dir, std::vector<Sensor>& cores,
                  std::vector<Sensor>& packages);

    std::vector<Sensor> cpu_;
    std::vector<Sensor> cpuAll_;
    std::vector<Sensor> gpu_;
    std::optional<Sensor> battery_;
    std::vector<FanSensor> fans_;
};

}  // namespace tv::linux_os
