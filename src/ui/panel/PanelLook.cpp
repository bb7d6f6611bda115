#include "ui/panel/PanelLook.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace tv::PanelLook {

QColor hue(Panel panel) {
    switch (panel) {
        case Panel::cpu:
            return {10, 132, 255};
        case Panel::memory:
            return {175, 82, 222};
        case Panel::gpu:
            return {48, 176, 199};
        case Panel::heat:
            return {255, 149, 0};
    }
    return {};
}

QColor tint(Tint tint) {
    switch (tint) {
        case Tint::green:
            return {52, 199, 89};
        case Tint::yellow:
            return {255, 204, 0};
        case Tint::orange:
            return {255, 149, 0};
        case Tint::red:
            return {255, 59, 48};
        case Tint::gray:
            return {142, 142, 147};
    }
    return {};
}

QColor withAlpha(QColor color, double opacity) {
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

void entering(QPainter& p, const QRectF& box, double progress) {
    if (progress == 1.0) {
        return;  // in place: drawn as it is
    }
    p.setOpacity(p.opacity() * std::clamp(progress, 0.0, 1.0));
    double scale = 0.7 + 0.3 * std::max(progress, 0.0);
    p.translate(box.center());
    p.scale(scale, scale);
    p.translate(-box.center());
}

QFont numbers(double points, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

QLabel* label(const QString& text, const QFont& font, bool secondary, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    if (secondary) {
        label->setForegroundRole(QPalette::PlaceholderText);
    }
    return label;
}

QPalette palette(bool dark) {
    QPalette p;
    QColor window = dark ? QColor(36, 36, 40) : QColor(246, 246, 248);
    QColor text = dark ? QColor(242, 242, 247) : QColor(28, 28, 30);
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
        p.setColor(role, window);
    }
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(role, text);
    }
    p.setColor(QPalette::PlaceholderText, withAlpha(text, 0.6));
    p.setColor(QPalette::Mid, dark ? QColor(70, 70, 76) : QColor(200, 200, 205));
    p.setColor(QPalette::Highlight, QColor(10, 132, 255));
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    return p;
}

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}

}  // namespace tv::PanelLook
