#pragma once

#include <QVariantAnimation>

namespace tv {

// A spring described the way designers do: its response (the period of the undamped
// oscillation, seconds) and damping fraction (1 = no overshoot).
struct Spring {
    double response = 0.45;
    double damping = 1;

    // How far along the way from start to target the spring is after `t` seconds (0 → 1,
    // overshooting when the damping is below 1).
    double progress(double t) const;
    // Seconds until it is within a thousandth of the target for good.
    double settleTime() const;
};

// Animates a value along a spring; set start, end and spring, then start(). With reduced
// motion it lasts no time at all: started, it lands on its end value at once.
class SpringAnimation : public QVariantAnimation {
  public:
    int duration() const override;
    explicit SpringAnimation(Spring spring, QObject* parent = nullptr);
    void setSpring(Spring spring);
    // Starts again from `from` (usually the current value) toward `to`.
    void retarget(const QVariant& from, const QVariant& to);

  protected:
    QVariant interpolated(const QVariant& from, const QVariant& to, qreal progress) const override;

  private:
    Spring spring_;
};

}  // namespace tv
