#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>

#include <vector>

#include "core/Date.h"

class QPainter;

namespace tv {

// A line chart fed once a second that looks continuous: while live it scrolls the newest
// point in from beyond the right edge during the second after each sample, and on its first
// showing it is revealed from the left. Not live, it is drawn once per change of its inputs.
struct LiveChart {
    std::vector<double> values;  // oldest first, each 0...1
    Date sampledAt;
    bool live = false;
    QColor color;
    int span = 60;  // samples across the width
    double lineWidth = 1.5;
    bool grid = false;
    double fps = 30;
    Date shownAt;

    static constexpr double revealSeconds = 0.6;

    struct Phases {
        double scroll = 1;  // fraction of the sample interval passed
        double reveal = 1;  // fraction of the width shown
    };
    Phases phases(Date now) const;

    // The chart's points in a box of `width` × `height`, from the oldest value whose curve can
    // still reach into the box.
    std::vector<QPointF> points(double width, double height, double scroll) const;
    // The line through the points: quadratic curves to each midpoint, then straight to the end.
    static QPainterPath smoothed(const std::vector<QPointF>& points);
    // The same line as a polyline, each curve cut into pieces that stay within `tolerance` of
    // it (in the points' units).
    static QPolygonF flattened(const std::vector<QPointF>& points, double tolerance);
    // The y of each guide line (three when `grid`).
    static std::vector<double> gridLines(double height);

    // One frame into `box`; guide lines in the `primary` colour.
    // Where the painter only scales and moves, the chart is written into device pixels
    // (`ChartRaster`); under any other transform it goes through the painter's paths.
    void paint(QPainter& painter, const QRectF& box, Date now, const QColor& primary) const;

  private:
    void paintPixels(QPainter& painter, const std::vector<QPointF>& line, double w, double h,
                     double reveal) const;
    void paintPath(QPainter& painter, const std::vector<QPointF>& line, double w, double h,
                   double reveal) const;
};

}  // namespace tv
