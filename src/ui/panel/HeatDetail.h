#pragma once

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include <vector>

namespace tv {

class Dot;
class Meter;
class Monitor;

// The Heat row's detail: a meter per temperature and per fan, then the system's thermal
// state with its coloured dot.
class HeatDetail : public QWidget {
    Q_OBJECT
  public:
    HeatDetail(bool fahrenheit, QWidget* parent = nullptr);
    void refresh(const Monitor& monitor);

    struct Line {
        QLabel* label;
        Meter* meter;
        QLabel* value;
    };
    const std::vector<Line>& lines() const { return lines_; }

  private:
    void addLine();

    bool fahrenheit_;
    QVBoxLayout* column_;
    std::vector<Line> lines_;
    QLabel* stateLabel_;
    QLabel* state_;
    Dot* stateDot_;
};

}  // namespace tv
