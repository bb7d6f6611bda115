#include "ui/LiveChart.h"

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
        double value = std::clamp(values[i], 0.0, 1.0);
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

std::vector<double> LiveChart::gridLines(double height) {
    return {std::round(height * 0.75) + 0.5, std::round(height * 0.5) + 0.5,
            std::round(height * 0.25) + 0.5};
}

void LiveChart::paint(QPainter& painter, const QRectF& box, Date now, const QColor& primary) const {
    painter.save();
    painter.translate(box.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);
    double w = box.width(), h = box.height();

    if (grid) {
        QColor guide = primary;
        guide.setAlphaF(0.08f);
        painter.setPen(QPen(guide, 1));
        for (double y : gridLines(h)) {
            painter.drawLine(QPointF(0, y), QPointF(w, y));
        }
    }
    Phases p = phases(now);
    std::vector<QPointF> line = points(w, h, p.scroll);
    if (line.size() >= 2) {
        painter.setClipRect(QRectF(0, 0, p.reveal * w, h));
        QPainterPath stroke = smoothed(line);

        QPainterPath fill = stroke;
        fill.lineTo(line.back().x(), h);
        fill.lineTo(line.front().x(), h);
        fill.closeSubpath();
        QLinearGradient down(0, 0, 0, h);
        QColor top = color, bottom = color;
        top.setAlphaF(0.32f);
        bottom.setAlphaF(0.02f);
        down.setColorAt(0, top);
        down.setColorAt(1, bottom);
        painter.fillPath(fill, down);

        QLinearGradient across(0, 0, w, 0);
        QColor left = color;
        left.setAlphaF(0.35f);
        across.setColorAt(0, left);
        across.setColorAt(1, color);
        painter.setPen(QPen(QBrush(across), lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(stroke);
    }
    painter.restore();
}

}  // namespace tv
