#include "ui/LiveChart.h"

#include "ui/ChartRaster.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tv {

LiveChart::Phases LiveChart::phases(Date now) const {
    if (!live) {
        return {};
    }
    Phases p;
    p.scroll = std::min(std::max(secondsBetween(sampledAt, now), 0.0), 1.0);
    double t = std::max(secondsBetween(shownAt, now) / revealSeconds, 0.0);
    p.reveal = 1 - std::pow(1 - std::min(t, 1.0), 3);
    return p;
}

std::vector<QPointF> LiveChart::points(double width, double height, double scroll) const {
    std::vector<QPointF> out;
    std::size_t n = values.size();
    if (n < 2) {
        return out;
    }
    double step = width / std::max(span - 1, 1);
    // Values further back than two steps beyond the left edge draw nothing: the curve through
    // a point reaches only half a step either side of it.
    std::size_t reach = static_cast<std::size_t>(std::max(span, 1)) + 3;
    std::size_t first = n > reach ? n - reach : 0;
    out.reserve(n - first);
    for (std::size_t i = first; i < n; ++i) {
        // A reading that is not a number (no time passed between two samples) draws as none.
        double value = std::isfinite(values[i]) ? std::clamp(values[i], 0.0, 1.0) : 0.0;
        double x = (1 - scroll) * step + (width - step * static_cast<double>(n - i - 1));
        double y = lineWidth / 2 + (height - lineWidth) * (1 - value);
        out.emplace_back(x, y);
    }
    return out;
}

QPainterPath LiveChart::smoothed(const std::vector<QPointF>& points) {
    QPainterPath path;
    if (points.empty()) {
        return path;
    }
    path.moveTo(points.front());
    for (std::size_t i = 1; i < points.size(); ++i) {
        const QPointF& previous = points[i - 1];
        path.quadTo(previous, (previous + points[i]) / 2);
    }
    path.lineTo(points.back());
    return path;
}

QPolygonF LiveChart::flattened(const std::vector<QPointF>& points, double tolerance) {
    QPolygonF line;
    if (points.empty()) {
        return line;
    }
    line.reserve(static_cast<qsizetype>(points.size()) * 4);
    line << points.front();
    // A quadratic curve cut into n equal steps strays at most |from - 2 control + to| / (8 n²).
    auto curve = [&](QPointF from, QPointF control, QPointF to) {
        QPointF bend = from - 2 * control + to;
        double stray = std::hypot(bend.x(), bend.y()) / 8;
        int n = std::clamp(static_cast<int>(std::ceil(std::sqrt(stray / tolerance))), 1, 32);
        for (int k = 1; k <= n; ++k) {
            double t = static_cast<double>(k) / n;
            line << (1 - t) * (1 - t) * from + 2 * (1 - t) * t * control + t * t * to;
        }
    };
    QPointF at = points.front();
    for (std::size_t i = 1; i < points.size(); ++i) {
        QPointF mid = (points[i - 1] + points[i]) / 2;
        curve(at, points[i - 1], mid);
        at = mid;
    }
    line << points.back();
    return line;
}

std::vector<double> LiveChart::gridLines(double height) {
    return {std::round(height * 0.75) + 0.5, std::round(height * 0.5) + 0.5,
            std::round(height * 0.25) + 0.5};
}

void LiveChart::paintPixels(QPainter& painter, const std::vector<QPointF>& line, double w, double h,
                            double reveal) const {
    // The box in whole device pixels, and the chart drawn into them one to one.
    const QTransform& device = painter.deviceTransform();
    const QRectF onDevice = device.mapRect(QRectF(0, 0, w, h));
    const QPoint origin(static_cast<int>(std::floor(onDevice.left())),
                        static_cast<int>(std::floor(onDevice.top())));
    const QPoint end(static_cast<int>(std::ceil(onDevice.right())),
                     static_cast<int>(std::ceil(onDevice.bottom())));
    ChartRaster raster;
    raster.size = QSize(end.x() - origin.x(), end.y() - origin.y());
    // Within a fifth of a device pixel of the true curve.
    raster.curve = flattened(line, 0.2 / device.m22());
    for (QPointF& point : raster.curve) {
        point = device.map(point) - QPointF(origin);
    }
    raster.lineWidth = lineWidth * (device.m11() + device.m22()) / 2;
    raster.bottom = onDevice.bottom() - origin.y();
    raster.clipLeft = onDevice.left() - origin.x();
    raster.clipTop = onDevice.top() - origin.y();
    raster.revealRight =
        std::min(device.map(QPointF(reveal * w, 0)).x(), onDevice.right()) - origin.x();
    raster.fullWidth = onDevice.right() - origin.x();
    raster.color = color;
    QImage image = raster.render();
    image.setDevicePixelRatio(device.m11());
    painter.drawImage(device.inverted().map(QPointF(origin)), image);
}

void LiveChart::paintPath(QPainter& painter, const std::vector<QPointF>& line, double w, double h,
                          double reveal) const {
    painter.setClipRect(QRectF(0, 0, reveal * w, h));
    QPainterPath stroke = smoothed(line);
    QPainterPath fill = stroke;
    fill.lineTo(line.back().x(), h);
    fill.lineTo(line.front().x(), h);
    fill.closeSubpath();
    QLinearGradient down(0, 0, 0, h);
    QColor top = color, bottom = color;
    top.setAlphaF(static_cast<float>(ChartRaster::areaTopAlpha));
    bottom.setAlphaF(static_cast<float>(ChartRaster::areaBottomAlpha));
    down.setColorAt(0, top);
    down.setColorAt(1, bottom);
    painter.fillPath(fill, down);
    QLinearGradient across(0, 0, w, 0);
    QColor left = color;
    left.setAlphaF(static_cast<float>(ChartRaster::lineLeftAlpha));
    across.setColorAt(0, left);
    across.setColorAt(1, color);
    painter.setPen(QPen(QBrush(across), lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(stroke);
}

void LiveChart::paint(QPainter& painter, const QRectF& box, Date now, const QColor& primary) const {
    painter.save();
    painter.translate(box.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);
    double w = box.width(), h = box.height();

    if (grid) {
        QColor guide = primary;
        guide.setAlphaF(0.08f);
        // Each a point-high rect, what a 1-point line with square ends covers: filled, it
        // costs the painter a fraction of drawing it as a line.
        for (double y : gridLines(h)) {
            painter.fillRect(QRectF(-0.5, y - 0.5, w + 1, 1), guide);
        }
    }
    Phases p = phases(now);
    std::vector<QPointF> line = points(w, h, p.scroll);
    if (line.size() >= 2) {
        const QTransform& device = painter.deviceTransform();
        if (device.type() <= QTransform::TxScale && device.m11() > 0 && device.m22() > 0) {
            paintPixels(painter, line, w, h, p.reveal);
        } else {
            paintPath(painter, line, w, h, p.reveal);
        }
    }
    painter.restore();
}

}  // namespace tv
