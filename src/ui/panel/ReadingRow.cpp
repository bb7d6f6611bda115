#include "ui/panel/ReadingRow.h"

#include <QGraphicsOpacityEffect>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
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
constexpr int chartTop = 5;
constexpr int rowWidth = 336;
constexpr double chartGone = 0.85;

}  // namespace

ReadingHeader::ReadingHeader(Panel panel, QWidget* parent)
    : QAbstractButton(parent),
      panel_(panel),
      badge_(new Badge(this)),
      chart_(new ChartView(miniature(panel), this)),
      chartScale_(Spring{0.3, 1}) {
    setFixedHeight(46);
    connect(&chartScale_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { chart_->setScale(v.toDouble()); });
    connect(&chartScale_, &QAbstractAnimation::finished, this, [this] {
        if (expanded_) {
            chart_->hide();
        }
    });
    // The hover shade eases in and out over 0.15 s.
    hoverShade_.setDuration(150);
    hoverShade_.setEasingCurve(QEasingCurve::OutCubic);
    connect(&hoverShade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        hoverShown_ = v.toDouble();
        update();
    });
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    chart_->setFixedSize(54, 20);
    chart_->setAttribute(Qt::WA_TransparentForMouseEvents);
    badge_->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ReadingHeader::setLine(const ReadingLine& line) {
    bool moved = line.title != line_.title || line.alert != line_.alert;
    bool changed = moved || line.value != line_.value || line.subtitle != line_.subtitle;
    if (line.value != line_.value || valueWidth_ < 0) {
        valueWidth_ = QFontMetrics(PanelLook::numbers(20, QFont::Medium))
                          .horizontalAdvance(QString::fromStdString(line.value));
    }
    line_ = line;
    badge_->setAlert(line.alert);
    setAccessibleName(QString::fromStdString(line.accessibleName()));
    if (moved) {
        place();
    }
    fitHeight();
    if (changed) {
        update();
    }
}

void ReadingHeader::setExpanded(bool expanded) {
    expanded_ = expanded;
    double scale = expanded ? chartGone : 1.0;
    if (!isVisible()) {
        chartScale_.stop();
        chart_->setScale(scale);
        chart_->setVisible(!expanded);
    } else {
        // It shrinks to 0.85 and goes, or comes back at 0.85 and grows to its size.
        double from = chart_->isVisible() ? chart_->scale() : chartGone;
        chart_->show();
        chartScale_.retarget(from, scale);
    }
    update();
}

void ReadingHeader::hover(bool hovered) {
    hovered_ = hovered;
    hoverShade_.stop();
    hoverShade_.setStartValue(hoverShown_);
    hoverShade_.setEndValue(hovered ? 1.0 : 0.0);
    hoverShade_.start();
}

void ReadingHeader::enterEvent(QEnterEvent* event) {
    hover(true);
    QAbstractButton::enterEvent(event);
}

void ReadingHeader::leaveEvent(QEvent* event) {
    hover(false);
    QAbstractButton::leaveEvent(event);
}

void ReadingHeader::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    place();
    if (event->oldSize().width() != width()) {
        fitHeight();
    }
}

void ReadingHeader::place() {
    int textLeft = padding + tileSide + 10;
    QFontMetrics title(PanelStyle::font(13, QFont::DemiBold));
    int titleWidth = title.horizontalAdvance(QString::fromStdString(line_.title));
    QSize badge = badge_->sizeHint();
    badge_->setGeometry(textLeft + titleWidth + 6, 7, badge.width(), badge.height());
    // Beside the title rather than centred, so that the subtitle under it has the whole width
    // up to the value: "Thermal state: Hot, slowing down" needs it.
    chart_->move(width() - padding - valueColumn - 8 - chart_->width(), chartTop);
}

QRect ReadingHeader::subtitleRect() const {
    int textLeft = padding + tileSide + 10;
    // Until the layout has placed it, the header is as wide as the panel's rows.
    int laidOut = testAttribute(Qt::WA_Resized) ? width() : rowWidth;
    return {textLeft, 25, laidOut - padding - valueColumn - 8 - textLeft, height() - 27};
}

int ReadingHeader::subtitleLines() const {
    QFontMetrics metrics(PanelStyle::font(11));
    QRect room(0, 0, subtitleRect().width(), 1000);
    int needed =
        metrics.boundingRect(room, Qt::TextWordWrap, QString::fromStdString(line_.subtitle))
            .height();
    int line = metrics.lineSpacing();
    return std::clamp((needed + line - 1) / line, 1, 2);
}

QString ReadingHeader::shownSubtitle() const {
    QFontMetrics metrics(PanelStyle::font(11));
    QString text = QString::fromStdString(line_.subtitle);
    QRect room = subtitleRect();
    if (metrics.boundingRect(QRect(0, 0, room.width(), 1000), Qt::TextWordWrap, text).height() <=
        room.height()) {
        return text;
    }
    return metrics.elidedText(text, Qt::ElideRight, room.width());
}

void ReadingHeader::fitHeight() {
    // One line of subtitle in 46 points; a subtitle too long for it takes a second line.
    setFixedHeight(46 + (subtitleLines() - 1) * QFontMetrics(PanelStyle::font(11)).lineSpacing());
}

void ReadingHeader::paintEvent(QPaintEvent* event) {
    // Most repaints are the miniature chart's frames: only what lies under the dirty area
    // is drawn again.
    const QRect dirty = event->rect();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (hoverShown_ > 0 && !expanded_) {
        p.setPen(Qt::NoPen);
        p.setBrush(PanelStyle::primary(*this, 0.04 * hoverShown_));
        p.drawRoundedRect(QRectF(rect()), 12, 12);
    }
    QColor hue = PanelLook::hue(panel_);
    QRectF tile(padding, (height() - tileSide) / 2.0, tileSide, tileSide);
    if (dirty.intersects(tile.toAlignedRect())) {
        p.setPen(Qt::NoPen);
        p.setBrush(PanelLook::withAlpha(hue, 0.14));
        p.drawRoundedRect(tile, 7, 7);
        QRectF box = tile.adjusted(7, 7, -7, -7);
        if (box != symbolBox_) {
            symbolBox_ = box;
            symbol_ = PanelSymbols::path(symbolOf(panel_), box);
        }
        p.setBrush(hue);
        p.drawPath(symbol_);
    }

    int textLeft = padding + tileSide + 10;
    int right = width() - padding - valueColumn - 8 - (expanded_ ? 0 : 54 + 8);
    QRectF title(textLeft, 6, right - textLeft, 18);
    if (dirty.intersects(title.toAlignedRect())) {
        p.setPen(PanelStyle::primary(*this));
        p.setFont(PanelStyle::font(13, QFont::DemiBold));
        p.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(line_.title));
    }
    if (dirty.intersects(subtitleRect())) {
        p.setPen(PanelStyle::secondary(*this));
        p.setFont(PanelStyle::font(11));
        p.drawText(subtitleRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   shownSubtitle());
    }
    QRectF value(width() - padding - valueColumn - 20, 0, valueColumn + 20, height());
    // The value's own width, not its column: the miniature's frames touch the column's left.
    QRectF valueInk(value.right() - valueWidth_ - 2, 0, valueWidth_ + 2, height());
    if (dirty.intersects(valueInk.toAlignedRect())) {
        p.setPen(PanelStyle::primary(*this));
        p.setFont(PanelLook::numbers(20, QFont::Medium));
        p.drawText(value, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(line_.value));
    }
}

ReadingRow::ReadingRow(Panel panel, QWidget* detail, QWidget* parent)
    : QWidget(parent),
      panel_(panel),
      header_(new ReadingHeader(panel, this)),
      detail_(detail),
      open_(Spring{0.3, 1}) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(header_);
    detail_->setParent(this);
    // 124 points, or more where its texts need more room at the panel's font sizes.
    detail_->setMinimumHeight(detailHeight);
    detail_->hide();
    column->addWidget(detail_);
    connect(header_, &QAbstractButton::clicked, this, [this] { emit chosen(panel_); });
    connect(&open_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { step(v.toDouble()); });
    connect(&open_, &QVariantAnimation::finished, this, &ReadingRow::settle);
}

void ReadingRow::setExpanded(bool expanded) {
    if (expanded == expanded_) {
        return;
    }
    expanded_ = expanded;
    header_->setExpanded(expanded);
    if (!isVisible()) {
        open_.stop();
        settle();
        return;
    }
    if (open_.state() != QAbstractAnimation::Running) {
        // The height the detail settles at, measured before its room is animated.
        detail_->setMinimumHeight(detailHeight);
        detail_->setMaximumHeight(QWIDGETSIZE_MAX);
        int natural = detail_->hasHeightForWidth() ? detail_->heightForWidth(width())
                                                   : detail_->sizeHint().height();
        fullHeight_ = std::max(detailHeight, natural);
    }
    detail_->show();
    open_.retarget(shown_, expanded ? 1.0 : 0.0);
    step(shown_);
}

void ReadingRow::step(double shown) {
    shown_ = shown;
    double opacity = std::clamp(shown, 0.0, 1.0);
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(detail_->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(detail_);
        detail_->setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
    detail_->setFixedHeight(static_cast<int>(std::lround(opacity * fullHeight_)));
}

void ReadingRow::settle() {
    // Opaque and at its own height, or hidden: never left part-way. The effect goes, so the
    // charts inside are not drawn through it for longer than the fade.
    shown_ = expanded_ ? 1 : 0;
    detail_->setGraphicsEffect(nullptr);
    detail_->setMinimumHeight(detailHeight);
    detail_->setMaximumHeight(QWIDGETSIZE_MAX);
    detail_->setVisible(expanded_);
}

bool ReadingRow::animating() const {
    return open_.state() == QAbstractAnimation::Running;
}

}  // namespace tv
