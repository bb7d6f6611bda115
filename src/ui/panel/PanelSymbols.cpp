#include "ui/panel/PanelSymbols.h"

#include <QPainterPathStroker>
#include <QTransform>

#include <cmath>

#include "ui/Symbols.h"

namespace tv::PanelSymbols {

namespace {

// Designs live in a 16 × 16 square.
QPainterPath stroked(const QPainterPath& line, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line).simplified();
}

QPainterPath cpu() {
    QPainterPath p;
    p.setFillRule(Qt::OddEvenFill);
    p.addRoundedRect(QRectF(3, 3, 10, 10), 2, 2);
    p.addRoundedRect(QRectF(4.6, 4.6, 6.8, 6.8), 1, 1);
    p.addRoundedRect(QRectF(6, 6, 4, 4), 0.6, 0.6);
    for (int i = 0; i < 3; ++i) {
        double at = 5.2 + i * 2.4;
        p.addRect(QRectF(at, 0.8, 1.2, 2.2));
        p.addRect(QRectF(at, 13, 1.2, 2.2));
        p.addRect(QRectF(0.8, at, 2.2, 1.2));
        p.addRect(QRectF(13, at, 2.2, 1.2));
    }
    return p;
}

QPainterPath cube() {
    QPainterPath line;
    QPointF top(8, 1.5), upperLeft(2, 4.8), upperRight(14, 4.8), centre(8, 8.1);
    QPointF lowerLeft(2, 11.2), lowerRight(14, 11.2), bottom(8, 14.5);
    line.moveTo(top);
    line.lineTo(upperRight);
    line.lineTo(lowerRight);
    line.lineTo(bottom);
    line.lineTo(lowerLeft);
    line.lineTo(upperLeft);
    line.closeSubpath();
    line.moveTo(upperLeft);
    line.lineTo(centre);
    line.lineTo(upperRight);
    line.moveTo(centre);
    line.lineTo(bottom);
    return stroked(line, 1.4);
}

QPainterPath checkmark() {
    QPainterPath line;
    line.moveTo(2.5, 8.5);
    line.lineTo(6.3, 12.3);
    line.lineTo(13.5, 3.8);
    return stroked(line, 2.4);
}

QPainterPath exclamation() {
    QPainterPath p;
    p.addRoundedRect(QRectF(6.8, 1.5, 2.4, 9), 1.2, 1.2);
    p.addEllipse(QPointF(8, 13.4), 1.5, 1.5);
    return p;
}

QPainterPath xmark() {
    QPainterPath line;
    line.moveTo(3, 3);
    line.lineTo(13, 13);
    line.moveTo(13, 3);
    line.lineTo(3, 13);
    return stroked(line, 2.4);
}

QPainterPath pause() {
    QPainterPath p;
    p.addRoundedRect(QRectF(3.5, 2, 3.3, 12), 1, 1);
    p.addRoundedRect(QRectF(9.2, 2, 3.3, 12), 1, 1);
    return p;
}

QPainterPath tortoise() {
    QPainterPath shell;
    shell.moveTo(2.5, 10);
    shell.cubicTo(2.5, 4, 11.5, 4, 11.5, 10);
    shell.closeSubpath();
    QPainterPath body;
    body.addEllipse(QPointF(13.2, 8.6), 1.9, 1.6);
    body.addRoundedRect(QRectF(3.2, 9.6, 2.2, 3.4), 1, 1);
    body.addRoundedRect(QRectF(8.6, 9.6, 2.2, 3.4), 1, 1);
    body.addRoundedRect(QRectF(1.2, 9.2, 12, 1.8), 0.9, 0.9);
    return shell.united(body);
}

QPainterPath terminal() {
    QPainterPath line;
    line.moveTo(3, 4);
    line.lineTo(7, 8);
    line.lineTo(3, 12);
    line.moveTo(8.5, 12.5);
    line.lineTo(13.5, 12.5);
    return stroked(line, 2);
}

QPainterPath arrow(bool down) {
    QPainterPath line;
    line.moveTo(8, 2);
    line.lineTo(8, 14);
    if (down) {
        line.moveTo(3, 9);
        line.lineTo(8, 14);
        line.lineTo(13, 9);
    } else {
        line.moveTo(3, 7);
        line.lineTo(8, 2);
        line.lineTo(13, 7);
    }
    return stroked(line, 2);
}

QPainterPath gear() {
    QPainterPath teeth;
    for (int i = 0; i < 8; ++i) {
        QTransform t;
        t.translate(8, 8);
        t.rotate(i * 45);
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-1.4, -7.4, 2.8, 3.4), 0.6, 0.6);
        teeth.addPath(t.map(tooth));
    }
    QPainterPath ring;
    ring.addEllipse(QPointF(8, 8), 5.2, 5.2);
    QPainterPath hole;
    hole.addEllipse(QPointF(8, 8), 2.2, 2.2);
    return ring.united(teeth).subtracted(hole);
}

QPainterPath app() {
    QPainterPath p;
    p.setFillRule(Qt::OddEvenFill);
    p.addRoundedRect(QRectF(1, 1, 14, 14), 3.5, 3.5);
    p.addRoundedRect(QRectF(3.5, 5, 9, 7.5), 1.2, 1.2);
    return p;
}

QPainterPath fitted(const QPainterPath& design, const QRectF& box) {
    double side = std::min(box.width(), box.height());
    QTransform t;
    t.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    t.scale(side / 16, side / 16);
    return t.map(design);
}

}  // namespace

QPainterPath path(const std::string& name, const QRectF& box) {
    if (name == "memorychip" || name == "thermometer.medium") {
        // The label's own drawings, kept at their proportions.
        QSizeF natural = Symbols::naturalSize(name);
        double scale = std::min(box.width() / natural.width(), box.height() / natural.height());
        QSizeF size = natural * scale;
        QRectF inner(box.center().x() - size.width() / 2, box.center().y() - size.height() / 2,
                     size.width(), size.height());
        return Symbols::path(name, inner);
    }
    QPainterPath design;
    if (name == "cpu")
        design = cpu();
    else if (name == "cube.transparent")
        design = cube();
    else if (name == "checkmark")
        design = checkmark();
    else if (name == "exclamationmark")
        design = exclamation();
    else if (name == "xmark")
        design = xmark();
    else if (name == "pause.fill")
        design = pause();
    else if (name == "tortoise.fill")
        design = tortoise();
    else if (name == "terminal")
        design = terminal();
    else if (name == "arrow.down")
        design = arrow(true);
    else if (name == "arrow.up")
        design = arrow(false);
    else if (name == "gearshape")
        design = gear();
    else if (name == "app")
        design = app();
    else
        return {};
    return fitted(design, box);
}

}  // namespace tv::PanelSymbols
