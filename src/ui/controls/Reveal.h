#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "ui/controls/Spring.h"

namespace tv {

// Staged appearance of a section: hidden it is transparent and 8 points lower; shown it fades
// up into place on a spring (response 0.42 s, damping 1) after `step` × 35 ms. With reduced
// motion (asked of the desktop when the section is shown) there is no offset and no delay.
class Reveal : public QObject {
    Q_OBJECT
  public:
    Reveal(QWidget* target, int step);
    void setShown(bool shown);

    // Offset (points) and delay (seconds) for a state.
    static double offset(bool shown, bool reduceMotion) { return shown || reduceMotion ? 0 : 8; }
    static double delay(int step, bool reduceMotion) { return reduceMotion ? 0 : step * 0.035; }

  private:
    void apply(double progress);

    QPointer<QWidget> target_;
    int step_;
    double progress_ = 0;
    QPoint home_;
    SpringAnimation animation_;
};

}  // namespace tv
