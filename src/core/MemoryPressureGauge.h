#pragma once

#include <optional>

#include "core/LevelHysteresis.h"

namespace tv {

// What the memory-pressure level is derived from where the kernel gives no level itself.
struct PressureSignals {
    std::optional<double> someAvg10;  // % of time some task stalled on memory, last 10 s
    std::optional<double> fullAvg10;  // % of time all tasks stalled on memory, last 10 s
    std::optional<double> available;  // available ÷ total memory, 0...1
    double swapFree = 0;              // free ÷ total swap; 0 without swap
};

// Turns stall figures and free memory into the levels 1 normal, 2 warning, 4 critical.
// A level rises at once and falls one step after 15 s spent below the exit thresholds,
// which sit a little lower (stalls halved, memory 5 points more), so that a machine hovering
// at a threshold does not flap between levels.
class MemoryPressureGauge {
  public:
    // `now` is a monotonic time in seconds. Returns 0 when memory cannot be read at all.
    int update(const PressureSignals& signals, double now);

    static constexpr double calmSeconds = 15;

  private:
    LevelHysteresis level_{{1, 2, 4}, calmSeconds};
};

}  // namespace tv
