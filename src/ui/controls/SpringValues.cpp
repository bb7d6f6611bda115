#include "ui/controls/SpringValues.h"

namespace tv {

SpringValues::SpringValues(Spring spring, QObject* parent)
    : QObject(parent), animation_(spring, this) {
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        double along = value.toDouble();
        for (std::size_t i = 0; i < shown_.size(); ++i) {
            shown_[i] = from_[i] + (to_[i] - from_[i]) * along;
        }
        emit changed();
    });
}

void SpringValues::setTargets(std::vector<double> targets) {
    if (targets == to_) {
        return;
    }
    from_ = shown_;
    for (std::size_t i = from_.size(); i < targets.size(); ++i) {
        from_.push_back(targets[i]);
    }
    from_.resize(targets.size());
    to_ = std::move(targets);
    shown_ = from_;
    // The animation runs its own 0 → 1; retargeting it mid-way starts again from the values
    // drawn now, so a change never jumps.
    animation_.retarget(0.0, 1.0);
    if (animation_.state() != QAbstractAnimation::Running) {
        shown_ = to_;  // reduced motion: there at once
    }
    emit changed();
}

}  // namespace tv
