#pragma once

#include <QLabel>
#include <QWidget>

#include <string>
#include <vector>

namespace tv {

class ChartView;
class CoreBars;
class Monitor;

// The CPU row's detail: the last minute's chart, the efficiency and performance cores and the
// load averages over 1, 5 and 15 minutes.
class CpuDetail : public QWidget {
    Q_OBJECT
  public:
    explicit CpuDetail(QWidget* parent = nullptr);
    void refresh(const Monitor& monitor);
    ChartView& chart() { return *chart_; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void showLoad();

    std::vector<std::string> loadTexts_;
    ChartView* chart_;
    CoreBars* efficiency_;
    CoreBars* performance_;
    QLabel* load_;
};

}  // namespace tv
