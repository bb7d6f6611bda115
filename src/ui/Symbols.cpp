#include "ui/Symbols.h"

#include <QTransform>

#include <algorithm>
#include <cmath>

namespace tv::Symbols {

namespace {

// Each symbol is drawn in a design box of its natural size at 11 pt.
QPainterPath memoryChip() {
    QPainterPath p;
    p.setFillRule(Qt::OddEvenFill);
    p.addRoundedRect(QRectF(2.6, 1.6, 11.3, 8.3), 1.6, 1.6);
    p.addRoundedRect(QRectF(4.4, 3.4, 7.7, 4.7), 0.8, 0.8);
    for (int i = 0; i < 4; ++i) {
        double x = 4.6 + i * 2.3;
        p.addRect(QRectF(x, 0.0, 0.9, 1.6));
        p.addRect(QRectF(x, 9.9, 0.9, 1.6));
    }
    p.addRect(QRectF(1.38, 3.9, 1.22, 0.9));
    p.addRect(QRectF(1.38, 6.7, 1.22, 0.9));
    p.addRect(QRectF(13.9, 3.9, 1.1, 0.9));
    p.addRect(QRectF(13.9, 6.7, 1.1, 0.9));
    return p.simplified();
}

QPainterPath warningTriangle() {
    QPainterPath body;
    body.moveTo(7.5, 0.6);
    body.lineTo(13.94, 11.9);
    body.lineTo(1.06, 11.9);
    body.closeSubpath();
    QPainterPath mark;
    mark.addRoundedRect(QRectF(6.75, 3.9, 1.5, 4.8), 0.7, 0.7);
    mark.addEllipse(QPointF(7.5, 10.2), 0.9, 0.9);
    return body.subtracted(mark);
}

QPainterPath thermometer() {
    QPainterPath tube;
    tube.addRoundedRect(QRectF(3.1, 0.6, 3.6, 10.0), 1.8, 1.8);
    tube.addEllipse(QPointF(4.9, 11.4), 3.1, 3.1);
    QPainterPath inside;
    inside.addRoundedRect(QRectF(4.0, 1.5, 1.8, 9.5), 0.9, 0.9);
    inside.addEllipse(QPointF(4.9, 11.4), 2.2, 2.2);
    QPainterPath level;
    level.addRect(QRectF(4.35, 5.8, 1.1, 5.0));
    level.addEllipse(QPointF(4.9, 11.4), 1.5, 1.5);
    return tube.subtracted(inside).united(level);
}

QPainterPath fitted(const QPainterPath& design, const QSizeF& natural, const QRectF& box) {
    QTransform t;
    t.translate(box.left(), box.top());
    t.scale(box.width() / natural.width(), box.height() / natural.height());
    return t.map(design);
}

}  // namespace

Margins margins(const std::string& name) {
    if (name == "memorychip")
        return {1.38, 1.5};
    if (name == "exclamationmark.triangle.fill")
        return {1.06, 1.06};
    if (name == "thermometer.medium")
        return {1.38, 0.12};
    return {};
}

QSizeF naturalSize(const std::string& name) {
    if (name == "memorychip")
        return {16.5, 11.5};
    if (name == "exclamationmark.triangle.fill")
        return {15.0, 12.5};
    if (name == "thermometer.medium")
        return {8.14, 14.6};
    return {0, 0};
}

QPainterPath path(const std::string& name, const QRectF& box) {
    QSizeF natural = naturalSize(name);
    if (natural.isEmpty()) {
        return {};
    }
    // The designs are built once: their boolean operations cost more than the rest of a
    // label's frame.
    static const QPainterPath chip = memoryChip();
    static const QPainterPath warning = warningTriangle();
    static const QPainterPath heat = thermometer();
    if (name == "memorychip")
        return fitted(chip, natural, box);
    if (name == "exclamationmark.triangle.fill")
        return fitted(warning, natural, box);
    return fitted(heat, natural, box);
}

namespace {

// A gauge: an open ring with a needle and a hub, in a 1024-unit design square.
QPainterPath logoDesign() {
    QPainterPath ring;
    ring.addEllipse(QPointF(512, 540), 440, 440);
    QPainterPath hole;
    hole.addEllipse(QPointF(512, 540), 340, 340);
    QPainterPath gap;
    gap.moveTo(512, 540);
    gap.lineTo(212, 1024);
    gap.lineTo(812, 1024);
    gap.closeSubpath();
    QPainterPath mark = ring.subtracted(hole).subtracted(gap);

    QPainterPath needle;
    needle.moveTo(470, 560);
    needle.lineTo(740, 260);
    needle.lineTo(780, 300);
    needle.lineTo(550, 620);
    needle.closeSubpath();
    QPainterPath hub;
    hub.addEllipse(QPointF(512, 580), 90, 90);
    return mark.united(needle).united(hub);
}

}  // namespace

QPainterPath logo(const QRectF& box) {
    static const QPainterPath mark = logoDesign();
    QRectF bounds = mark.boundingRect();
    double scale = std::min(box.width() / bounds.width(), box.height() / bounds.height());
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(scale, scale);
    t.translate(-bounds.center().x(), -bounds.center().y());
    return t.map(mark);
}

}  // namespace tv::Symbols
