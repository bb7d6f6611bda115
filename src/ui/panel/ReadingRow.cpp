#include "ui/panel/ReadingRow.h"

#include <QPainter>
#include <QVBoxLayout>

#include "ui/controls/PanelStyle.h"
#include "ui/panel/Badge.h"
#include "ui/panel/ChartView.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/PanelSymbols.h"

namespace tv {

namespace {

const char* symbolOf(Panel panel) {
    switch (panel) {
        case Panel::cpu:
            return "cpu";
        case Panel::memory:
            return "memorychip";
        case Panel::gpu:
            return "cube.transparent";
        case Panel::heat:
            return "thermometer.medium";
    }
    return "";
}

LiveChart miniature(Panel panel) {
    LiveChart chart;
    chart.color = PanelLook::hue(panel);
    chart.span = 40;
    chart.lineWidth = 1.25;
    chart.grid = false;
    chart.fps = 12;
    return chart;
}

constexpr int valueColumn = 60;
constexpr int tileSide = 26;
constexpr int padding = 10;

}  // namespace

ReadingHeader::ReadingHeader(Panel panel, QWidget* parent)
    : QAbstractButton(parent),
      panel_(panel),
      badge_(new Badge(this)),
      chart_(new ChartView(miniature(panel), this)) {
    setFixedHeight(46);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    chart_->setFixedSize(54, 20);
    chart_->setAttribute(Qt::WA_TransparentForMouseEvents);
    badge_->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ReadingHeader::setLine(const ReadingLine& line) {
    bool moved = line.title != line_.title || line.alert != line_.alert;
    bool changed = moved || line.value != line_.value || line.subtitle != line_.subtitle;
    line_ = line;
    badge_->setAlert(line.alert);
    setAccessibleName(QString::fromStdString(line.accessibleName()));
    if (moved) {
        place();
    }
    if (changed) {
        update();
    }
}

void ReadingHeader::setExpanded(bool expanded) {
    expanded_ = expanded;
    chart_->setVisible(!expanded);
    update();
}

void ReadingHeader::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ReadingHeader::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void ReadingHeader::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    place();
}

void ReadingHeader::place() {
    int textLeft = padding + tileSide + 10;
    QFontMetrics title(PanelStyle::font(13, QFont::DemiBold));
    int titleWidth = title.horizontalAdvance(QString::fromStdString(line_.title));
    QSize badge = badge_->sizeHint();
    badge_->setGeometry(textLeft + titleWidth + 6, 7, badge.width(), badge.height());
    chart_->move(width() - padding - valueColumn - 8 - chart_->width(), (height() - 20) / 2);
}

void ReadingHeader::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (hovered_ && !expanded_) {
        p.setPen(Qt::NoPen);
        p.setBrush(PanelStyle::primary(*this, 0.04));
        p.drawRoundedRect(QRectF(rect()), 12, 12);
    }
    QColor hue = PanelLook::hue(panel_);
    QRectF tile(padding, (height() - tileSide) / 2.0, tileSide, tileSide);
    p.setPen(Qt::NoPen);
    p.setBrush(PanelLook::withAlpha(hue, 0.14));
    p.drawRoundedRect(tile, 7, 7);
    p.setBrush(hue);
    p.drawPath(PanelSymbols::path(symbolOf(panel_), tile.adjusted(7, 7, -7, -7)));

    int textLeft = padding + tileSide + 10;
    int right = width() - padding - valueColumn - 8 - (expanded_ ? 0 : 54 + 8);
    p.setPen(PanelStyle::primary(*this));
    p.setFont(PanelStyle::font(13, QFont::DemiBold));
    p.drawText(QRectF(textLeft, 6, right - textLeft, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(line_.title));
    p.setPen(PanelStyle::secondary(*this));
    QFont small = PanelStyle::font(11);
    p.setFont(small);
    QString subtitle = QFontMetrics(small).elidedText(QString::fromStdString(line_.subtitle),
                                                      Qt::ElideRight, right - textLeft);
    p.drawText(QRectF(textLeft, 25, right - textLeft, 15), Qt::AlignLeft | Qt::AlignVCenter,
               subtitle);
    p.setPen(PanelStyle::primary(*this));
    p.setFont(PanelLook::numbers(20, QFont::Medium));
    p.drawText(QRectF(width() - padding - valueColumn - 20, 0, valueColumn + 20, height()),
               Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(line_.value));
}

ReadingRow::ReadingRow(Panel panel, QWidget* detail, QWidget* parent)
    : QWidget(parent), panel_(panel), header_(new ReadingHeader(panel, this)), detail_(detail) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(header_);
    detail_->setParent(this);
    detail_->setFixedHeight(detailHeight);
    detail_->hide();
    column->addWidget(detail_);
    connect(header_, &QAbstractButton::clicked, this, [this] { emit chosen(panel_); });
}

void ReadingRow::setExpanded(bool expanded) {
    expanded_ = expanded;
    header_->setExpanded(expanded);
    detail_->setVisible(expanded);
}

}  // namespace tv
