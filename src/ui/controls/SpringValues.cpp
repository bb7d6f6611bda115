#include "ui/controls/SpringValues.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

#include "ui/controls/Motion.h"

namespace tv {

namespace {

constexpr double stepsPerSecond = 30;

}  // namespace

SpringValues::SpringValues(Spring spring, QWidget& view) : spring_(spring), view_(view) {}

void SpringValues::move(bool moving) {
    if (moving == moving_) {
        return;
    }
    moving_ = moving;
    if (moving) {
        clock_ = &FrameClock::of(view_.window());
        clock_->join(this, stepsPerSecond, [this] { step(); });
    } else if (clock_) {
        clock_->leave(this);
        clock_ = nullptr;
    }
}

void SpringValues::setTargets(std::vector<double> targets, bool animate, double pointsPerUnit) {
    if (targets == to_) {
        return;
    }
    from_ = shown_;
    for (std::size_t i = from_.size(); i < targets.size(); ++i) {
        from_.push_back(targets[i]);
    }
    from_.resize(targets.size());
    to_ = std::move(targets);
    double largest = 0;
    for (std::size_t i = 0; i < to_.size(); ++i) {
        largest = std::max(largest, std::abs(to_[i] - from_[i]));
    }
    span_ = largest * pointsPerUnit;
    bool unseen = pointsPerUnit > 0 && span_ < 0.5;
    if (!animate || unseen || Motion::reduced()) {
        move(false);
        shown_ = to_;
    } else {
        // Started again from the values drawn now, so a change on the way never jumps.
        shown_ = from_;
        since_.start();
        move(true);
    }
    emit changed();
}

void SpringValues::step() {
    double t = static_cast<double>(since_.elapsed()) / 1000;
    double along = spring_.progress(t);
    bool nearlyThere = span_ > 0 && std::abs(1 - along) * span_ < 0.25 && t > 0.1;
    if (t >= spring_.settleTime() || nearlyThere || Motion::reduced()) {
        move(false);
        shown_ = to_;
    } else {
        for (std::size_t i = 0; i < shown_.size(); ++i) {
            shown_[i] = from_[i] + (to_[i] - from_[i]) * along;
        }
    }
    emit changed();
}

}  // namespace tv
