#pragma once

#include <QPixmap>
#include <QWidget>

#include <array>
#include <functional>

#include "core/Panel.h"
#include "ui/controls/Spring.h"

namespace tv {

class ReadingRow;

// The four reading rows, 2 points apart, one of them expanded. The expanded row's highlight
// slides to the newly chosen row (spring 0.4 s, damping 0.8). Focusable: the up and down
// arrows move the choice, stopping at the first and last row.
class ReadingRows : public QWidget {
    Q_OBJECT
  public:
    // `details` in row order; `play` plays a named sound.
    ReadingRows(std::array<QWidget*, PanelCase::count> details, Panel chosen,
                std::function<void(const char*)> play, QWidget* parent = nullptr);

    Panel chosen() const { return chosen_; }
    void choose(Panel panel);
    ReadingRow& row(Panel panel) { return *rows_[static_cast<std::size_t>(panel)]; }

  signals:
    void chosenChanged(Panel panel);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QRectF targetRim() const;

    std::array<ReadingRow*, PanelCase::count> rows_{};
    Panel chosen_;
    std::function<void(const char*)> play_;
    QRectF rim_;
    QRectF rimFrom_;
    // The highlight drawn once for its size and hue: the expanded row's chart repaints
    // through it several times a second.
    QPixmap highlight_;
    QSizeF highlightSize_;
    QColor highlightHue_;
    SpringAnimation slide_;
};

}  // namespace tv
