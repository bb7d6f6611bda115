#include "ui/controls/Spring.h"

#include <cmath>

#include "ui/controls/Motion.h"

namespace tv {

namespace {
constexpr double pi = 3.14159265358979323846;
}

double Spring::progress(double t) const {
    if (t <= 0) {
        return 0;
    }
    double w0 = 2 * pi / response;
    if (damping >= 1) {
        return 1 - std::exp(-w0 * t) * (1 + w0 * t);
    }
    double wd = w0 * std::sqrt(1 - damping * damping);
    return 1 -
           std::exp(-damping * w0 * t) * (std::cos(wd * t) + damping * w0 / wd * std::sin(wd * t));
}

double Spring::settleTime() const {
    double w0 = 2 * pi / response;
    if (damping >= 1) {
        // e^(−ω₀t)(1 + ω₀t) falls below 1e-3 a little after ln(1000)/ω₀; half as long again
        // covers the (1 + ω₀t) factor.
        return 1.5 * std::log(1000.0) / w0;
    }
    // The oscillation's envelope is e^(−ζω₀t)/√(1−ζ²).
    return std::log(1000.0 / std::sqrt(1 - damping * damping)) / (damping * w0);
}

SpringAnimation::SpringAnimation(Spring spring, QObject* parent)
    : QVariantAnimation(parent), spring_(spring) {
    setDuration(static_cast<int>(spring_.settleTime() * 1000));
}

void SpringAnimation::setSpring(Spring spring) {
    spring_ = spring;
    setDuration(static_cast<int>(spring_.settleTime() * 1000));
}

int SpringAnimation::duration() const {
    return Motion::reduced() ? 0 : QVariantAnimation::duration();
}

void SpringAnimation::retarget(const QVariant& from, const QVariant& to) {
    stop();
    setStartValue(from);
    setEndValue(to);
    start();
}

QVariant SpringAnimation::interpolated(const QVariant& from, const QVariant& to,
                                       qreal progress) const {
    double along = spring_.progress(progress * spring_.settleTime());
    if (progress >= 1 || Motion::reduced()) {
        along = 1;
    }
    return QVariantAnimation::interpolated(from, to, along);
}

}  // namespace tv
