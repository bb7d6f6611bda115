#pragma once

#include <QAbstractButton>
#include <QPainterPath>
#include <QVariantAnimation>
#include <QWidget>

#include "core/Panel.h"
#include "core/ReadingTexts.h"
#include "ui/controls/Spring.h"

namespace tv {

class Badge;
class ChartView;

// A reading row's header, 46 points high (a second subtitle line where one is too short): the icon
// tile, the title with its alert badge, the subtitle, the miniature chart (only while the row is
// not expanded) and the value. One accessible button named "CPU 23%" or "Memory 81%, Tight";
// pressing it selects the row.
class ReadingHeader : public QAbstractButton {
    Q_OBJECT
  public:
    ReadingHeader(Panel panel, QWidget* parent = nullptr);

    void setLine(const ReadingLine& line);
    const ReadingLine& line() const { return line_; }
    ChartView& chart() { return *chart_; }
    void setExpanded(bool expanded);
    bool hovered() const { return hovered_; }
    // The subtitle as drawn: elided where the header has no room for all of it.
    QString shownSubtitle() const;
    QSize sizeHint() const override { return {336, height()}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void hover(bool hovered);
    void place();
    QRect subtitleRect() const;
    int subtitleLines() const;
    void fitHeight();

    Panel panel_;
    ReadingLine line_;
    // The tile's symbol, worked out once: its outline takes path operations that a repaint
    // behind the miniature chart, several times a second, should not repeat.
    QPainterPath symbol_;
    QRectF symbolBox_;
    int valueWidth_ = -1;  // of the value's text, in points
    Badge* badge_;
    ChartView* chart_;
    bool expanded_ = false;
    bool hovered_ = false;
    double hoverShown_ = 0;  // 0 → 1 as the hover shade eases in
    QVariantAnimation hoverShade_;
    // The miniature comes and goes by scaling from 0.85, with the row's expansion spring.
    SpringAnimation chartScale_;
};

// One reading: its header and, while expanded, its detail section under it: 124 points
// high, taller only where its texts would not fit. While shown, expanding and closing
// animate on a spring (response 0.3 s, damping 1): the detail fades in as its room opens, or
// fades out as its room closes, and is hidden at the end; a change of mind midway turns
// back from where it is. Hidden, a change applies at once.
class ReadingRow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int detailHeight = 124;

    ReadingRow(Panel panel, QWidget* detail, QWidget* parent = nullptr);

    Panel panel() const { return panel_; }
    ReadingHeader& header() { return *header_; }
    QWidget& detail() { return *detail_; }
    void setExpanded(bool expanded);
    bool expanded() const { return expanded_; }
    // Whether the detail is still fading in or out.
    bool animating() const;

  signals:
    void chosen(Panel panel);

  private:
    // 0 closed, 1 open: the detail's opacity and the share of its height it takes.
    void step(double shown);
    void settle();

    Panel panel_;
    ReadingHeader* header_;
    QWidget* detail_;
    bool expanded_ = false;
    double shown_ = 0;
    int fullHeight_ = detailHeight;
    SpringAnimation open_;
};

}  // namespace tv
