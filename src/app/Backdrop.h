#pragma once

#include <QColor>
#include <QWidget>

namespace tv {

// A plain coloured window behind the panel for screen recordings: the panel's frame grown by
// 80 points on every side, cut to the usable area of the panel's screen, directly below the
// panel and letting every click through to what is under it.
class Backdrop : public QWidget {
  public:
    static constexpr int margin = 80;

    explicit Backdrop(bool dark, QWidget* parent = nullptr);

    // The backdrop's colour: sRGB (0.16, 0.1, 0.21) dark, (0.91, 0.86, 0.95) light.
    static QColor colorFor(bool dark);
    // Where the backdrop goes for a panel window at `panel` on a screen whose usable area is
    // `screen` (no cut when `screen` is empty).
    static QRect frameFor(const QRect& panel, const QRect& screen);

    // Shows the backdrop under `panel`, a shown window.
    void showBelow(QWidget& panel);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor color_;
};

}  // namespace tv
