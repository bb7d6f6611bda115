#include "core/ThermalStateGauge.h"

namespace tv {

namespace {

bool hasLimits(const ThermalSignals::Sensor& sensor) {
    return sensor.max || sensor.crit;
}

}  // namespace

int ThermalStateGauge::levelFor(const ThermalSignals& s, double margin,
                                bool throttledRecently) const {
    using Kind = ThermalSignals::TripKind;
    // Critical: within 5 °C of a critical limit, or an alarm says so.
    for (const auto& sensor : s.sensors) {
        if (sensor.critAlarm ||
            (hasLimits(sensor) &&
             sensor.celsius >= sensor.crit.value_or(defaultCrit) - 5 - margin)) {
            return 3;
        }
    }
    for (const auto& trip : s.trips) {
        if ((trip.kind == Kind::hot || trip.kind == Kind::critical) &&
            trip.zoneCelsius >= trip.tripCelsius - 5 - margin) {
            return 3;
        }
    }
    // Serious: the system is slowing the processor down to cool it.
    if (throttledRecently || s.coolingActive) {
        return 2;
    }
    for (const auto& sensor : s.sensors) {
        if (sensor.maxAlarm ||
            (hasLimits(sensor) && sensor.celsius >= sensor.max.value_or(defaultMax) - margin)) {
            return 2;
        }
    }
    for (const auto& trip : s.trips) {
        if (trip.kind == Kind::passive && trip.zoneCelsius >= trip.tripCelsius - margin) {
            return 2;
        }
    }
    // Fair: getting close, or the fans are working hard.
    if (s.fanShare >= 0.8) {
        return 1;
    }
    for (const auto& sensor : s.sensors) {
        if (sensor.celsius >= sensor.max.value_or(defaultMax) - 10 - margin) {
            return 1;
        }
    }
    for (const auto& trip : s.trips) {
        if ((trip.kind == Kind::passive && trip.zoneCelsius >= trip.tripCelsius - 10 - margin) ||
            (trip.kind == Kind::active && trip.zoneCelsius > trip.tripCelsius - margin)) {
            return 1;
        }
    }
    return 0;
}

int ThermalStateGauge::update(const ThermalSignals& signals, double now) {
    if (signals.throttled) {
        lastThrottle_ = now;
    }
    bool throttledRecently = lastThrottle_ && now - *lastThrottle_ < throttleMemory;
    return level_.update(levelFor(signals, 0, throttledRecently),
                         levelFor(signals, coolingMargin, throttledRecently), now);
}

}  // namespace tv
