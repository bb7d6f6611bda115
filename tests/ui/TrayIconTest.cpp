#include "ui/TrayIcon.h"

#include <gtest/gtest.h>

#include "support/Pixels.h"

namespace tv {
namespace {

LabelReadings readings(double cpu, double memory, int pressure) {
    LabelReadings r;
    r.cpu = cpu;
    r.cpuHistory = {cpu};
    r.memoryTotal = 100;
    r.memoryUsed = static_cast<std::uint64_t>(memory * 100);
    r.pressure = pressure;
    r.hasAlert = pressure > 1;
    r.temperature = 57.2;
    return r;
}

TEST(TrayIconTest, TheSquareShowsTheReadingThatMattersMostInItsColour) {
    MenuBarLabel calm(readings(0.26, 0.43, 1));
    TrayIcon icon(calm);
    EXPECT_EQ(icon.text(), "26% · 43% · 57°");
    EXPECT_EQ(icon.guide(), "100% · 100% · 100°");
    ASSERT_TRUE(icon.leading());
    EXPECT_EQ(icon.leading()->kind, LabelItem::Kind::memory) << "the fuller of CPU and memory";

    // Memory critical outranks a busier CPU, and the square is drawn in its red.
    MenuBarLabel critical(readings(0.9, 0.5, 4));
    TrayIcon alerting(critical);
    ASSERT_TRUE(alerting.leading());
    EXPECT_EQ(alerting.leading()->kind, LabelItem::Kind::memory);
    QImage square = alerting.reading(22, Qt::black);
    EXPECT_EQ(square.size(), QSize(22, 22));
    QColor red = MenuBarLabel::colorOf(LabelItem::Tint::red, Qt::black);
    int reddish = 0;
    for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < 22; ++x) {
            QColor c = square.pixelColor(x, y);
            reddish += c.alpha() > 200 && c.red() == red.red() && c.green() == red.green();
        }
    }
    EXPECT_GT(reddish, 20);
    EXPECT_GT(test::inkedPixels(TrayIcon(calm).mark(44, Qt::black)), 200);
}

}  // namespace
}  // namespace tv
