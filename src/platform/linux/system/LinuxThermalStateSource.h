#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/ThermalStateGauge.h"
#include "platform/ThermalStateSource.h"
#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

// The thermal state on Linux, which reports none of its own: derived from the processor and
// graphics sensors with their max/crit limits and alarms, the thermal zones' trip points,
// the processors' throttling counters, engaged processor cooling devices and fans near their
// top speed. What to watch is chosen once; the signals are read every other call (the state
// in between is the last one), which keeps a calm tick cheap.
class LinuxThermalStateSource : public ThermalStateSource {
  public:
    using Clock = std::function<double()>;  // monotonic seconds

    explicit LinuxThermalStateSource(const std::string& root = "/", Clock clock = {});

    ThermalState read() override;
    bool known() const override { return !empty(); }

    // Nothing to derive a state from: it reads as nominal.
    bool empty() const;

  private:
    struct Sensor {
        std::unique_ptr<ProcFile> input;
        std::optional<double> max;
        std::optional<double> crit;
        std::vector<std::unique_ptr<ProcFile>> maxAlarms;
        std::vector<std::unique_ptr<ProcFile>> critAlarms;
    };
    struct Zone {
        std::unique_ptr<ProcFile> temp;
        std::vector<std::pair<double, ThermalSignals::TripKind>> trips;
    };
    struct FanLimit {
        std::unique_ptr<ProcFile> input;
        double max;
    };

    ThermalSignals signals();
    double now() const;

    Clock clock_;
    std::vector<Sensor> sensors_;
    std::vector<Zone> zones_;
    std::vector<std::unique_ptr<ProcFile>> throttleCounts_;
    std::vector<std::unique_ptr<ProcFile>> coolingStates_;
    std::vector<FanLimit> fans_;
    std::optional<double> lastThrottleTotal_;
    ThermalStateGauge gauge_;
    ThermalState state_ = 0;
    int calls_ = 0;
};

}  // namespace tv::linux_os
