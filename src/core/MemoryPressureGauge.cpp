#include "core/MemoryPressureGauge.h"

namespace tv {

namespace {

// The thresholds, shifted by `memoryMargin` (a fraction added to the memory limits) and
// scaled by `stallScale` (applied to the stall limits).
struct Thresholds {
    double memoryMargin;
    double stallScale;
};

constexpr Thresholds entering{0.0, 1.0};
constexpr Thresholds leaving{0.05, 0.5};

bool atLeast(const std::optional<double>& value, double limit) {
    return value && *value >= limit;
}

bool critical(const PressureSignals& s, double available, Thresholds t) {
    bool outOfMemory = available <= 0.10 + t.memoryMargin && s.swapFree <= 0.10 + t.memoryMargin;
    bool stalled = atLeast(s.fullAvg10, 10 * t.stallScale) && available < 0.5 + t.memoryMargin;
    return outOfMemory || stalled;
}

bool warning(const PressureSignals& s, double available, Thresholds t) {
    bool short_ = available <= 0.20 + t.memoryMargin && s.swapFree <= 0.25 + t.memoryMargin;
    bool stalled =
        (atLeast(s.someAvg10, 10 * t.stallScale) || atLeast(s.fullAvg10, 5 * t.stallScale)) &&
        available < 0.5 + t.memoryMargin;
    return short_ || stalled;
}

int levelFor(const PressureSignals& s, double available, Thresholds t) {
    if (critical(s, available, t)) {
        return 4;
    }
    if (warning(s, available, t)) {
        return 2;
    }
    return 1;
}

}  // namespace

int MemoryPressureGauge::update(const PressureSignals& signals, double now) {
    if (!signals.available) {
        return 0;
    }
    double available = *signals.available;
    return level_.update(levelFor(signals, available, entering),
                         levelFor(signals, available, leaving), now);
}

}  // namespace tv
