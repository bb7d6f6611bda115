#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <vector>

#include "ui/controls/FrameClock.h"
#include "ui/controls/Spring.h"

namespace tv {

// A list of values that follow their targets along one spring: each new list of targets starts
// every value from where it is drawn now. A value the list did not have before (the first list,
// or more of them) starts at its target, so a view first shown does not sweep in from zero; a
// view not on screen (`animate` false) and reduced motion take their targets at once.
//
// It steps 30 times a second, not at the animation clock's 60: the bars it drives are a few
// points tall, and each step wakes the program. It steps on the frame clock of the window
// its view is in, so that its frames are painted and sent together with the charts' instead
// of each costing a repaint of its own.
class SpringValues : public QObject {
    Q_OBJECT
  public:
    // `view` is the widget it moves, which outlives it (usually its owner).
    SpringValues(Spring spring, QWidget& view);
    // `pointsPerUnit`, where given, is how many points a unit of value spans on screen: a
    // change that moves nothing by half a point is taken at once, and a move ends once what is
    // left of it is under a quarter of a point.
    void setTargets(std::vector<double> targets, bool animate = true, double pointsPerUnit = 0);
    const std::vector<double>& shown() const { return shown_; }
    const std::vector<double>& targets() const { return to_; }
    // At the targets, with nothing left to move.
    bool settled() const { return !moving_; }

  signals:
    // The shown values moved (and once more when they settle): a view draws again when the
    // move is big enough to see or they have settled.
    void changed();

  private:
    void step();
    void move(bool moving);

    Spring spring_;
    std::vector<double> from_;
    std::vector<double> to_;
    std::vector<double> shown_;
    // The largest move of this change, in points (0 when not known).
    double span_ = 0;
    QWidget& view_;
    QPointer<FrameClock> clock_;
    QElapsedTimer since_;
    bool moving_ = false;
};

}  // namespace tv
