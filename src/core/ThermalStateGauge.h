#pragma once

#include <optional>
#include <vector>

#include "core/LevelHysteresis.h"

namespace tv {

// What the machine's thermal state is derived from where the platform reports none.
struct ThermalSignals {
    struct Sensor {
        double celsius = 0;
        std::optional<double> max;   // the driver's high limit
        std::optional<double> crit;  // the driver's critical limit
        bool maxAlarm = false;
        bool critAlarm = false;
    };
    enum class TripKind { active, passive, hot, critical };
    struct Trip {
        double zoneCelsius = 0;
        double tripCelsius = 0;
        TripKind kind = TripKind::passive;
    };

    std::vector<Sensor> sensors;
    std::vector<Trip> trips;
    bool throttled = false;      // a throttling counter rose since the previous reading
    bool coolingActive = false;  // a processor cooling device is engaged
    double fanShare = 0;         // the busiest fan's speed ÷ its maximum
};

// Turns sensors, limits and throttling into the states 0 nominal, 1 fair, 2 serious,
// 3 critical. A state rises at once and falls one step after 10 s spent at least 3 °C below
// its thresholds with no new throttling.
//
// A sensor without any limit of its own (AMD's Tctl/Tccd, which run at 90-95 °C under load
// by design) says how warm the processor is, not how close it is to its limit: on its own it
// raises the state at most to fair. Throttling, trips, cooling devices and alarms still raise
// it further.
class ThermalStateGauge {
  public:
    // A sensor with only one of its limits takes these for the other.
    static constexpr double defaultMax = 85;
    static constexpr double defaultCrit = 100;
    static constexpr double calmSeconds = 10;
    static constexpr double coolingMargin = 3;
    static constexpr double throttleMemory = 5;

    // `now` is a monotonic time in seconds.
    int update(const ThermalSignals& signals, double now);

  private:
    int levelFor(const ThermalSignals& signals, double margin, bool throttledRecently) const;

    LevelHysteresis level_{{0, 1, 2, 3}, calmSeconds};
    std::optional<double> lastThrottle_;
};

}  // namespace tv
