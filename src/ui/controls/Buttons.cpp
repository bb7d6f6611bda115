#include "ui/controls/Buttons.h"

#include <QPainter>

#include "ui/controls/Motion.h"
#include "ui/controls/PanelStyle.h"

namespace tv {

namespace {

// Pressed buttons shrink a little about their centre.
void pressScale(QPainter& p, const QRectF& box, bool pressed, double scale) {
    if (pressed) {
        p.translate(box.center());
        p.scale(scale, scale);
        p.translate(-box.center());
    }
}

constexpr int pillEaseMs = 110;

}  // namespace

PillButton::PillButton(const QString& text, bool destructive, QWidget* parent)
    : QAbstractButton(parent), destructive_(destructive) {
    setText(text);
    setFixedHeight(22);
    setCursor(Qt::PointingHandCursor);
    for (auto [ease, shown] :
         {std::pair{&hoverEase_, &hoverShown_}, std::pair{&pressEase_, &pressShown_}}) {
        ease->setEasingCurve(QEasingCurve::OutQuad);
        connect(ease, &QVariantAnimation::valueChanged, this, [this, shown](const QVariant& v) {
            *shown = v.toDouble();
            update();
        });
    }
    connect(this, &QAbstractButton::pressed, this,
            [this] { easeTo(pressEase_, pressShown_, true); });
    connect(this, &QAbstractButton::released, this,
            [this] { easeTo(pressEase_, pressShown_, false); });
}

void PillButton::easeTo(QVariantAnimation& ease, double from, bool on) {
    ease.stop();
    ease.setDuration(Motion::reduced() ? 0 : pillEaseMs);
    ease.setStartValue(from);
    ease.setEndValue(on ? 1.0 : 0.0);
    ease.start();
}

namespace {

constexpr double pillSymbolSize = 11;
constexpr double pillSymbolGap = 4;

}  // namespace

QSize PillButton::sizeHint() const {
    QFontMetrics m(PanelStyle::font(11, QFont::Medium));
    int symbol = hasSymbol() ? static_cast<int>(pillSymbolSize + pillSymbolGap) : 0;
    return {m.horizontalAdvance(text()) + symbol + 22, 22};
}

void PillButton::setSymbol(const QPainterPath& shape) {
    symbol_ = shape;
    updateGeometry();
    update();
}

void PillButton::enterEvent(QEnterEvent* event) {
    easeTo(hoverEase_, hoverShown_, true);
    QAbstractButton::enterEvent(event);
}

void PillButton::leaveEvent(QEvent* event) {
    easeTo(hoverEase_, hoverShown_, false);
    QAbstractButton::leaveEvent(event);
}

void PillButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF box(rect());
    pressScale(p, box, pressShown_ > 0, 1 - 0.03 * pressShown_);
    QColor tint = destructive_ ? QColor(255, 59, 48) : PanelStyle::primary(*this);
    QColor fill = tint;
    fill.setAlphaF(static_cast<float>(0.09 + 0.07 * hoverShown_));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(box, 11, 11);
    p.setFont(PanelStyle::font(11, QFont::Medium));
    QRectF label = box;
    if (hasSymbol()) {
        // Symbol and label centred together.
        double textWidth = p.fontMetrics().horizontalAdvance(text());
        double start = box.center().x() - (pillSymbolSize + pillSymbolGap + textWidth) / 2;
        QTransform place;
        place.translate(start, box.center().y() - pillSymbolSize / 2);
        place.scale(pillSymbolSize, pillSymbolSize);
        p.setPen(Qt::NoPen);
        p.setBrush(tint);
        p.drawPath(place.map(symbol_));
        label.setLeft(start + pillSymbolSize + pillSymbolGap);
        label.setWidth(textWidth + 1);
    }
    p.setPen(tint);
    p.drawText(label, Qt::AlignCenter, text());
}

CardButton::CardButton(const QString& text, bool filled, QWidget* parent)
    : QAbstractButton(parent), filled_(filled) {
    setText(text);
    setFixedHeight(24);
    setCursor(Qt::PointingHandCursor);
}

QSize CardButton::sizeHint() const {
    QFontMetrics m(PanelStyle::font(11, QFont::DemiBold));
    return {m.horizontalAdvance(text()) + 24, 24};
}

void CardButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF box(rect());
    pressScale(p, box, isDown(), 0.96);
    p.setPen(Qt::NoPen);
    p.setBrush(filled_ ? QColor(255, 255, 255) : QColor(255, 255, 255, 56));
    p.drawRoundedRect(box, 12, 12);
    p.setPen(filled_ ? QColor(28, 28, 30) : QColor(255, 255, 255));
    p.setFont(PanelStyle::font(11, QFont::DemiBold));
    p.drawText(box, Qt::AlignCenter, text());
}

SectionTitle::SectionTitle(const QString& text, QWidget* parent) : QLabel(text.toUpper(), parent) {
    QFont f = PanelStyle::font(10, QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    setFont(f);
    // The placeholder colour is the text colour at a lower opacity; taken from the palette
    // in use, it follows a change between the light and dark looks.
    setForegroundRole(QPalette::PlaceholderText);
}

}  // namespace tv
