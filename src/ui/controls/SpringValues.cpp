#include "ui/controls/SpringValues.h"

#include <QTimerEvent>

#include <algorithm>
#include <cmath>

#include "ui/controls/Motion.h"

namespace tv {

namespace {

constexpr int stepMs = 33;

}  // namespace

SpringValues::SpringValues(Spring spring, QObject* parent) : QObject(parent), spring_(spring) {}

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
        timer_.stop();
        shown_ = to_;
    } else {
        // Started again from the values drawn now, so a change on the way never jumps.
        shown_ = from_;
        since_.start();
        timer_.start(stepMs, Qt::PreciseTimer, this);
    }
    emit changed();
}

void SpringValues::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId()) {
        step();
    } else {
        QObject::timerEvent(event);
    }
}

void SpringValues::step() {
    double t = static_cast<double>(since_.elapsed()) / 1000;
    double along = spring_.progress(t);
    bool nearlyThere = span_ > 0 && std::abs(1 - along) * span_ < 0.25 && t > 0.1;
    if (t >= spring_.settleTime() || nearlyThere || Motion::reduced()) {
        timer_.stop();
        shown_ = to_;
    } else {
        for (std::size_t i = 0; i < shown_.size(); ++i) {
            shown_[i] = from_[i] + (to_[i] - from_[i]) * along;
        }
    }
    emit changed();
}

}  // namespace tv
