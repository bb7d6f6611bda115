#pragma once

#include <QObject>

#include <vector>

#include "ui/controls/Spring.h"

namespace tv {

// A list of values that follow their targets along one spring: each new list of targets starts
// every value from where it is drawn now. A value the list did not have before (the first list,
// or more of them) starts at its target, so a view first shown does not sweep in from zero.
class SpringValues : public QObject {
    Q_OBJECT
  public:
    explicit SpringValues(Spring spring, QObject* parent = nullptr);
    void setTargets(std::vector<double> targets);
    const std::vector<double>& shown() const { return shown_; }
    const std::vector<double>& targets() const { return to_; }

  signals:
    // The shown values moved: draw again.
    void changed();

  private:
    std::vector<double> from_;
    std::vector<double> to_;
    std::vector<double> shown_;
    SpringAnimation animation_;
};

}  // namespace tv
