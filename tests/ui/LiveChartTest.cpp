#include "ui/LiveChart.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>
#include <limits>

#include "support/Pixels.h"

namespace tv {
namespace {

LiveChart chart(std::vector<double> values, bool live) {
    LiveChart c;
    c.values = std::move(values);
    c.live = live;
    c.color = Qt::blue;
    c.span = 11;
    c.lineWidth = 2;
    c.sampledAt = dateFromSeconds(1000);
    c.shownAt = dateFromSeconds(1000);
    return c;
}

TEST(LiveChartTest, PointsSitOnTheRightEdgeWhenNotLiveAndScrollInWhenLive) {
    LiveChart still = chart({0, 0.5, 1}, false);
    LiveChart::Phases p = still.phases(dateFromSeconds(1000.1));
    EXPECT_EQ(p.scroll, 1);
    EXPECT_EQ(p.reveal, 1);
    auto points = still.points(100, 50, p.scroll);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_DOUBLE_EQ(points[2].x(), 100);
    EXPECT_DOUBLE_EQ(points[1].x(), 90);
    EXPECT_DOUBLE_EQ(points[0].x(), 80);
    EXPECT_DOUBLE_EQ(points[0].y(), 1 + 48);  // value 0 at the bottom, inside the stroke
    EXPECT_DOUBLE_EQ(points[1].y(), 1 + 24);
    EXPECT_DOUBLE_EQ(points[2].y(), 1);

    LiveChart live = chart({0, 0.5, 1}, true);
    p = live.phases(dateFromSeconds(1000.1));
    EXPECT_NEAR(p.scroll, 0.1, 1e-9);
    points = live.points(100, 50, p.scroll);
    EXPECT_NEAR(points[2].x(), 100 + 0.9 * 10, 1e-9) << "0.9 of a step beyond the edge";
    EXPECT_EQ(live.phases(dateFromSeconds(1003)).scroll, 1);
    EXPECT_EQ(live.phases(dateFromSeconds(999)).scroll, 0) << "a clock behind the sample";
}

TEST(LiveChartTest, RevealEasesOutOverTheFirstMoment) {
    LiveChart live = chart({0.2, 0.4}, true);
    EXPECT_NEAR(live.phases(dateFromSeconds(1000.3)).reveal, 0.875, 1e-9);
    EXPECT_EQ(live.phases(dateFromSeconds(1000.6)).reveal, 1);
    EXPECT_EQ(live.phases(dateFromSeconds(1005)).reveal, 1);
    EXPECT_EQ(live.phases(dateFromSeconds(999)).reveal, 0);
}

TEST(LiveChartTest, OldValuesFallOffTheLeftAndValuesAreKeptInRange) {
    std::vector<double> many(20, 0.5);
    many.back() = 7;  // out of range
    LiveChart c = chart(many, false);
    auto points = c.points(100, 50, 1);
    EXPECT_LT(points.front().x(), 0);
    EXPECT_DOUBLE_EQ(points.back().y(), 1);

    // Not a number, or endless: drawn at the bottom, and the drawing stays in the chart's box.
    c = chart({0.5, std::nan(""), 0.5, std::numeric_limits<double>::infinity(), 0.2}, false);
    points = c.points(100, 50, 1);
    EXPECT_DOUBLE_EQ(points[1].y(), 49);
    QImage image(60, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    c.paint(painter, QRectF(10, 5, 40, 20), dateFromSeconds(1000), Qt::black);
    painter.end();
    QImage inside = image.copy(10, 5, 40, 20);
    EXPECT_GT(test::inkedPixels(inside), 0);
    EXPECT_EQ(test::inkedPixels(image), test::inkedPixels(inside));
}

TEST(LiveChartTest, SmoothingCurvesThroughMidpointsAndEndsOnTheLastPoint) {
    std::vector<QPointF> points{{0, 0}, {10, 10}, {20, 0}};
    QPainterPath path = LiveChart::smoothed(points);
    EXPECT_EQ(path.elementAt(0), QPointF(0, 0));
    EXPECT_EQ(path.currentPosition(), QPointF(20, 0));
    EXPECT_TRUE(path.boundingRect().contains(QPointF(10, 5)));
    EXPECT_EQ(LiveChart::gridLines(54), (std::vector<double>{41.5, 27.5, 14.5}));
}

// The chart is written into pixels by columns: it must look like the painter's own
// antialiased drawing of the same curve (a round-jointed gradient stroke over a gradient
// fill), at the tray's and the panel's sizes and at a fractional scale, through calm and
// jagged values, and while it is being revealed.
TEST(LiveChartTest, PixelsMatchThePaintersStrokeAndFillOfTheCurve) {
    const QRectF box(3, 2, 110, 36);
    auto image = [](double scale) {
        QImage out(static_cast<int>(std::ceil(120 * scale)),
                   static_cast<int>(std::ceil(40 * scale)), QImage::Format_ARGB32_Premultiplied);
        out.setDevicePixelRatio(scale);
        out.fill(Qt::transparent);
        return out;
    };
    auto reference = [&](const LiveChart& c, double scale, double reveal) {
        QImage out = image(scale);
        QPainter p(&out);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(box.topLeft());
        p.setClipRect(QRectF(0, 0, reveal * box.width(), box.height()));
        std::vector<QPointF> line = c.points(box.width(), box.height(), 1);
        QPainterPath stroke = LiveChart::smoothed(line);
        QPainterPath fill = stroke;
        fill.lineTo(line.back().x(), box.height());
        fill.lineTo(line.front().x(), box.height());
        QLinearGradient down(0, 0, 0, box.height());
        down.setColorAt(0, QColor(0, 0, 255, 82));
        down.setColorAt(1, QColor(0, 0, 255, 5));
        p.fillPath(fill, down);
        QLinearGradient across(0, 0, box.width(), 0);
        across.setColorAt(0, QColor(0, 0, 255, 89));
        across.setColorAt(1, QColor(0, 0, 255));
        p.setPen(QPen(QBrush(across), c.lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(stroke);
        return out;
    };
    const std::vector<std::vector<double>> series{
        {0.2, 0.25, 0.3, 0.28, 0.35, 0.3, 0.32, 0.3, 0.31, 0.3, 0.29, 0.3},  // calm
        {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1},                                // full swings
        {0.1, 0.1, 0.9, 0.95, 0.05, 0.5, 0.52, 1, 0, 0.3, 0.3, 0.6}};
    for (double scale : {1.0, 1.25, 2.0}) {
        for (double width : {1.0, 1.5, 2.0}) {
            if (width * scale <= 1) {
                continue;  // the painter draws hairlines lighter than their true coverage
            }
            for (const auto& values : series) {
                LiveChart c = chart(values, false);
                c.lineWidth = width;
                QImage ours = image(scale);
                QPainter painter(&ours);
                c.paint(painter, box, dateFromSeconds(1000), Qt::black);
                painter.end();
                QImage theirs = reference(c, scale, 1);
                long inkOurs = 0, inkTheirs = 0;
                int worst = 0;
                for (int y = 0; y < ours.height(); ++y) {
                    for (int x = 0; x < ours.width(); ++x) {
                        QRgb a = ours.pixel(x, y), b = theirs.pixel(x, y);
                        inkOurs += qAlpha(a);
                        inkTheirs += qAlpha(b);
                        worst = std::max(worst, std::abs(qAlpha(a) - qAlpha(b)));
                        if (qAlpha(a) > 0) {
                            ASSERT_EQ(qRed(a), 0);
                            ASSERT_EQ(qGreen(a), 0);
                            ASSERT_LE(qBlue(a), qAlpha(a)) << "premultiplied";
                        }
                    }
                }
                SCOPED_TRACE(testing::Message() << "scale " << scale << ", width " << width
                                                << ", values from " << values[0]);
                EXPECT_NEAR(static_cast<double>(inkOurs) / static_cast<double>(inkTheirs), 1.0,
                            0.03);
                // Edge pixels may differ by part of their coverage, never by a whole pixel.
                EXPECT_LE(worst, 128);
            }
        }
    }
    // Revealed from the left: nothing right of the reveal, the same as the painter's clip.
    LiveChart c = chart(series[2], true);
    c.shownAt = dateFromSeconds(1000);
    c.sampledAt = dateFromSeconds(999);
    const double reveal = c.phases(dateFromSeconds(1000.2)).reveal;
    ASSERT_GT(reveal, 0.3);
    ASSERT_LT(reveal, 0.9);
    QImage ours = image(2);
    QPainter painter(&ours);
    c.paint(painter, box, dateFromSeconds(1000.2), Qt::black);
    painter.end();
    const int edge = static_cast<int>(std::ceil((box.left() + reveal * box.width()) * 2));
    int beyond = 0, before = 0;
    for (int y = 0; y < ours.height(); ++y) {
        for (int x = 0; x < ours.width(); ++x) {
            (x > edge ? beyond : before) += qAlpha(ours.pixel(x, y)) > 0;
        }
    }
    EXPECT_EQ(beyond, 0);
    EXPECT_GT(before, 100);
}

TEST(LiveChartTest, OneValueDrawsOnlyTheGrid) {
    for (bool grid : {false, true}) {
        LiveChart c = chart({0.5}, false);
        c.grid = grid;
        QImage image(100, 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        c.paint(painter, QRectF(0, 0, 100, 40), dateFromSeconds(1000), Qt::black);
        painter.end();
        EXPECT_EQ(test::inkedPixels(image) > 0, grid);
        EXPECT_LE(test::inkedPixels(image), grid ? 3 * 100 + 6 : 0);
    }
}

}  // namespace
}  // namespace tv
