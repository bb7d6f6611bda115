#pragma once

#include <QBasicTimer>
#include <QWidget>

#include "ui/LiveChart.h"

namespace tv {

// A LiveChart on screen. While live and visible it redraws itself, and only itself, at the
// chart's frame rate (after its reveal, no more often than the line moves a point);
// hidden or not live it draws once per change and takes no frames.
class ChartView : public QWidget {
    Q_OBJECT
  public:
    explicit ChartView(LiveChart chart, QWidget* parent = nullptr);

    void setValues(const std::vector<double>& values, Date sampledAt);
    void setLive(bool live);
    // Draws the chart scaled about its centre (1 = as laid out), for its coming and going.
    void setScale(double scale);
    double scale() const { return scale_; }
    bool ticking() const { return timer_.isActive(); }
    const LiveChart& chart() const { return chart_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    void schedule();
    // Milliseconds between frames: the chart's rate while it is being revealed, then no
    // faster than the line moves by a point.
    int interval() const;

    LiveChart chart_;
    QBasicTimer timer_;
    int interval_ = 0;
    double scale_ = 1;
};

}  // namespace tv
