#pragma once

#include <QLabel>
#include <QWidget>

#include <array>

namespace tv {

class Dot;
class Monitor;
class SegmentBar;

// The Memory row's detail: the breakdown as a segmented bar with its legend, the memory
// pressure and the swap in use.
class MemoryDetail : public QWidget {
    Q_OBJECT
  public:
    explicit MemoryDetail(QWidget* parent = nullptr);
    void refresh(const Monitor& monitor);

  private:
    SegmentBar* bar_;
    std::array<QLabel*, 4> bytes_{};
    QLabel* pressure_;
    Dot* pressureDot_;
    QLabel* swap_;
};

}  // namespace tv
