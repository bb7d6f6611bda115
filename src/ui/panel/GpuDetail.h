#pragma once

#include <QWidget>

namespace tv {

class ChartView;
class Monitor;

// The GPU row's detail: "Last minute" over a chart of the GPU history.
class GpuDetail : public QWidget {
    Q_OBJECT
  public:
    explicit GpuDetail(QWidget* parent = nullptr);
    void refresh(const Monitor& monitor);
    ChartView& chart() { return *chart_; }

  private:
    ChartView* chart_;
};

}  // namespace tv
