#pragma once

#include <QWidget>

#include <optional>

#include "core/ReadingTexts.h"

namespace tv {

// An alert's text in 10-pt semibold in its colour on a capsule of that colour at low
// opacity; nothing without an alert. Scales in from 0.8 when an alert appears.
class Badge : public QWidget {
    Q_OBJECT
  public:
    explicit Badge(QWidget* parent = nullptr);
    void setAlert(const std::optional<Alert>& alert);
    const std::optional<Alert>& alert() const { return alert_; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::optional<Alert> alert_;
    double scale_ = 1;
};

// A 7-point circle of a colour.
class Dot : public QWidget {
    Q_OBJECT
  public:
    explicit Dot(QColor color, QWidget* parent = nullptr);
    void setColor(QColor color);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor color_;
};

}  // namespace tv
