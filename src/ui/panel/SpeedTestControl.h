#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "core/Date.h"

namespace tv {

class PillButton;
class SpeedTestRun;
class Spinner;

// The speed test's control at the end of the network row, 22 points high: while a test runs,
// a spinner and "Testing 7s" (whole seconds since it started, counting); otherwise a button,
// "Test speed" before any result and "Test again" once there is one, that starts a test.
class SpeedTestControl : public QWidget {
    Q_OBJECT
  public:
    SpeedTestControl(SpeedTestRun& run, std::function<Date()> clock, QWidget* parent = nullptr);

    // What it shows now: the button's text, or the running counter.
    QString text() const;
    PillButton& button() { return *button_; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void refresh();
    void followLook();

    SpeedTestRun& run_;
    std::function<Date()> clock_;
    Spinner* spinner_;
    QLabel* testing_;
    PillButton* button_;
    QTimer ticker_;
};

}  // namespace tv
