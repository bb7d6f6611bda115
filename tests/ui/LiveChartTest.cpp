#include "ui/LiveChart.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

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
}

TEST(LiveChartTest, SmoothingCurvesThroughMidpointsAndEndsOnTheLastPoint) {
    std::vector<QPointF> points{{0, 0}, {10, 10}, {20, 0}};
    QPainterPath path = LiveChart::smoothed(points);
    EXPECT_EQ(path.elementAt(0), QPointF(0, 0));
    EXPECT_EQ(path.currentPosition(), QPointF(20, 0));
    EXPECT_TRUE(path.boundingRect().contains(QPointF(10, 5)));
    EXPECT_EQ(LiveChart::gridLines(54), (std::vector<double>{41.5, 27.5, 14.5}));
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
