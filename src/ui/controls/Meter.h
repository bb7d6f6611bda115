#pragma once

#include <QWidget>

#include "ui/controls/Spring.h"
#include "ui/controls/SpringValues.h"

namespace tv {

// A 6-point capsule track with a capsule of colour from the leading edge; never narrower than
// a 4-point stub. Value changes follow a spring (response 0.45 s, damping 1).
class Meter : public QWidget {
    Q_OBJECT
  public:
    explicit Meter(QColor color, QWidget* parent = nullptr);
    void setValue(double value);
    // An empty meter (a missing reading) shows the track alone, without the stub.
    void setEmpty(bool empty);
    bool empty() const { return empty_; }
    double shown() const;
    // The filled width for a value in a track `width` wide.
    static double fillWidth(double value, double width);
    QSize sizeHint() const override { return {120, 6}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor color_;
    bool empty_ = false;
    bool swept_ = false;
    SpringValues value_;
    std::vector<double> painted_;
};

// One bar per core, 9 × 30 points each, 3 points apart, with a title underneath; a core at 0
// still shows a 2-point stub. Given less width than that (many cores), the bars narrow. The bars
// follow their values along a spring (response 0.45 s, damping 1).
// One accessibility element: the title and each core's percent.
class CoreBars : public QWidget {
    Q_OBJECT
  public:
    CoreBars(QString title, QColor color, QWidget* parent = nullptr);
    void setValues(const std::vector<double>& values);
    // The values drawn now, on their way to the last ones set.
    const std::vector<double>& shown() const { return values_.shown(); }
    static double barHeight(double value);
    struct Bars {
        double width;
        double gap;
    };
    // The bar width and gap for `count` bars in `width` points.
    static Bars barsFor(int count, double width);
    // "Title 12%, 40%".
    static QString accessibleText(const QString& title, const std::vector<double>& values);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString title_;
    QColor color_;
    SpringValues values_;
    // The heights last drawn: a spring frame that moves no bar by half a point draws nothing.
    std::vector<double> painted_;
};

// An 8-point rounded track with coloured parts laid out from the leading edge, each as wide as
// its fraction of the track.
class SegmentBar : public QWidget {
    Q_OBJECT
  public:
    struct Part {
        double fraction = 0;
        QColor color;
    };
    explicit SegmentBar(QWidget* parent = nullptr);
    void setParts(std::vector<Part> parts);
    // The fractions drawn now, on their way to the last ones set.
    const std::vector<double>& shownFractions() const { return fractions_.shown(); }
    QSize sizeHint() const override { return {200, 8}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<QColor> colors_;
    SpringValues fractions_;
    std::vector<double> painted_;
};

}  // namespace tv
