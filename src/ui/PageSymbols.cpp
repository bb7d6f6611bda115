#include "ui/PageSymbols.h"

#include <QPainterPathStroker>
#include <QTransform>

#include <cmath>
#include <numbers>

namespace tv::PageSymbols {

namespace {

// Each symbol is designed in a 16-unit square.
constexpr double design = 16;

QPainterPath stroked(const QPainterPath& line, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line).simplified();
}

QPainterPath chevronLeft() {
    QPainterPath line;
    line.moveTo(10.5, 2.5);
    line.lineTo(5, 8);
    line.lineTo(10.5, 13.5);
    return stroked(line, 2.2);
}

// Five points on a circle of radius 7.6, inner corners at 0.42 of it.
QPainterPath starOutline() {
    QPainterPath star;
    const double outer = 7.6, inner = outer * 0.42;
    for (int i = 0; i < 10; ++i) {
        double radius = i % 2 == 0 ? outer : inner;
        double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        QPointF point(8 + radius * std::cos(angle), 8.5 + radius * std::sin(angle));
        if (i == 0) {
            star.moveTo(point);
        } else {
            star.lineTo(point);
        }
    }
    star.closeSubpath();
    return star;
}

QPainterPath starFill() {
    // Slightly rounded corners, as the filled star is drawn.
    return starOutline().united(stroked(starOutline(), 0.9));
}

QPainterPath starLine() {
    return stroked(starOutline(), 1.3);
}

QPainterPath exclamationCircle() {
    QPainterPath disc;
    disc.addEllipse(QPointF(8, 8), 7.5, 7.5);
    QPainterPath mark;
    mark.addRoundedRect(QRectF(7.05, 3.6, 1.9, 6.0), 0.95, 0.95);
    mark.addEllipse(QPointF(8, 11.8), 1.15, 1.15);
    return disc.subtracted(mark);
}

}  // namespace

QPainterPath path(const std::string& name, const QRectF& box) {
    QPainterPath shape;
    if (name == "chevron.left")
        shape = chevronLeft();
    else if (name == "star")
        shape = starLine();
    else if (name == "star.fill")
        shape = starFill();
    else if (name == "exclamationmark.circle.fill")
        shape = exclamationCircle();
    else
        return {};
    double side = std::min(box.width(), box.height());
    QTransform t;
    t.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    t.scale(side / design, side / design);
    return t.map(shape);
}

}  // namespace tv::PageSymbols
