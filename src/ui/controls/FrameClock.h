#pragma once

#include <QBasicTimer>
#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class QWidget;

namespace tv {

// One frame clock per window, for the views in it that draw frames of their own (the live
// charts). Every repaint of a window is a round trip to the display server and a copy of the
// dirty area; views ticking on timers of their own each paid that for themselves, at slightly
// different moments. On one clock, all the frames of one tick are painted and sent together.
//
// The clock ticks at the fastest member's rate; a slower member draws on the ticks that keep
// it at its own rate, spread evenly. It stops when no member is left.
class FrameClock : public QObject {
    Q_OBJECT
  public:
    // The clock of `window` (made on first use, as its child).
    static FrameClock& of(QWidget* window);

    // `member` draws `frame` `fps` times a second until it leaves or is destroyed; joining
    // again changes its rate.
    void join(QObject* member, double fps, std::function<void()> frame);
    void leave(QObject* member);
    bool ticking() const { return timer_.isActive(); }
    double rate() const { return rate_; }

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    explicit FrameClock(QObject* parent);
    void retime();

    struct Member {
        QPointer<QObject> who;
        double fps;
        std::function<void()> frame;
        double owed;  // frames due, carried from tick to tick
    };
    std::vector<Member> members_;
    QBasicTimer timer_;
    double rate_ = 0;
};

}  // namespace tv
