#pragma once

#include <QColor>
#include <QImage>
#include <QPolygonF>
#include <QSize>

namespace tv {

// A chart's line and the area under it, written straight into pixels column by column.
//
// The painter's general path for a wide, gradient-coloured curve costs a tenth of a
// millisecond for the tray's small chart (its stroker, then a fill that Qt spreads over a
// thread pool), and a chart in the panel draws up to 30 frames a second. A chart's line is the
// graph of a function of x, so each pixel's coverage follows from where the line crosses its
// column: four samples across each column, the line's height there measured exactly, up and
// down. That matches an antialiased stroke to within part of an edge pixel for a tiny share of
// the cost.
struct ChartRaster {
    // `curve`: the line as a polyline in pixels of the image, x increasing. The area under it
    // reaches down to `bottom`; the line is `lineWidth` pixels wide, measured across it.
    QPolygonF curve;
    QSize size;
    double lineWidth = 1;
    double bottom = 0;
    // Nothing is drawn outside these: the chart's box, its right edge moving while it is
    // revealed from the left.
    double clipLeft = 0, clipTop = 0;
    double revealRight = 1e9;
    QColor color;
    // The area's alpha from the top of the clip to `bottom`, and the line's from its left to
    // `fullWidth`, where it reaches the colour's own alpha.
    static constexpr double areaTopAlpha = 0.32, areaBottomAlpha = 0.02;
    static constexpr double lineLeftAlpha = 0.35;
    double fullWidth = 1;

    // Premultiplied ARGB pixels of `size`, device pixel ratio 1.
    QImage render() const;
};

}  // namespace tv
