#pragma once

#include <QPointer>
#include <QWidget>

#include "ui/LiveChart.h"
#include "ui/controls/FrameClock.h"

namespace tv {

// A LiveChart on screen. While live and visible it redraws itself, and only itself, at the
// chart's frame rate, on its window's frame clock; hidden or not live it draws once per
// change and takes no frames.
class ChartView : public QWidget {
    Q_OBJECT
  public:
    explicit ChartView(LiveChart chart, QWidget* parent = nullptr);

    void setValues(const std::vector<double>& values, Date sampledAt);
    void setLive(bool live);
    // Draws the chart scaled about its centre (1 = as laid out), for its coming and going.
    void setScale(double scale);
    double scale() const { return scale_; }
    bool ticking() const { return clock_ != nullptr; }
    const LiveChart& chart() const { return chart_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void schedule();

    LiveChart chart_;
    QPointer<FrameClock> clock_;
    double scale_ = 1;
};

}  // namespace tv
