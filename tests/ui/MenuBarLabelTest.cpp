#include "ui/MenuBarLabel.h"

#include <gtest/gtest.h>

#include "support/Pixels.h"

namespace tv {
namespace {

LabelReadings calm() {
    LabelReadings r;
    r.cpu = 0.12;
    r.cpuHistory = {0.1, 0.3, 0.2, 0.12};
    r.sampledAt = dateFromSeconds(5000);
    r.memoryTotal = 16ULL << 30;
    r.memoryUsed = 8ULL << 30;
    r.pressure = 1;
    r.temperature = 48.4;
    return r;
}

TEST(MenuBarLabelTest, ShowsTheThreeReadingsWithTheirTextsAndLabels) {
    MenuBarLabel label(calm());
    auto items = label.items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "12%");
    EXPECT_EQ(items[0].accessibility, "CPU 12%");
    EXPECT_EQ(items[1].symbol, "memorychip");
    EXPECT_EQ(items[1].text, "50%");
    EXPECT_EQ(items[1].accessibility, "RAM 50%");
    EXPECT_EQ(items[2].text, "48°");
    EXPECT_EQ(items[2].accessibility, "CPU temperature 48°");
    EXPECT_TRUE(label.isTemplate());
    EXPECT_EQ(label.accessibleText(), "CPU 12%, RAM 50%, CPU temperature 48°");
    EXPECT_GT(test::inkedPixels(label.render(2, Qt::black)), 100);
}

TEST(MenuBarLabelTest, AllHiddenShowsTheLogoAsATemplate) {
    LabelReadings r = calm();
    r.showCPU = r.showMemory = r.showHeat = false;
    MenuBarLabel label(r);
    EXPECT_TRUE(label.items().empty());
    EXPECT_TRUE(label.isTemplate());
    EXPECT_EQ(label.size(), QSizeF(15, 15));
    QImage image = label.render(2, Qt::black);
    EXPECT_EQ(image.size(), QSize(30, 30));
    EXPECT_GT(test::inkedPixels(image), 50);
    EXPECT_EQ(label.accessibleText(), "TallyVane");
}

TEST(MenuBarLabelTest, AHiddenReadingShowsWhileItHasAProblem) {
    LabelReadings r = calm();
    r.showMemory = false;
    r.showHeat = false;
    r.pressure = 2;
    r.hasAlert = true;
    MenuBarLabel tight(r);
    auto items = tight.items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].symbol, "exclamationmark.triangle.fill");
    EXPECT_EQ(items[1].tint, LabelItem::Tint::orange);
    EXPECT_FALSE(tight.isTemplate());
    QImage image = tight.render(1, Qt::black);
    bool orange = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QColor c = QColor::fromRgba(image.pixel(x, y));
            orange = orange || (c.alpha() > 200 && c.red() > 200 && c.green() > 100 &&
                                c.green() < 180 && c.blue() < 60);
        }
    EXPECT_TRUE(orange) << "drawn in colour while alerting";

    r.pressure = 4;
    EXPECT_EQ(MenuBarLabel(r).items()[1].tint, LabelItem::Tint::red);
    r.pressure = 1;
    r.hasAlert = false;
    EXPECT_EQ(MenuBarLabel(r).items().size(), 1u) << "gone when pressure is back to normal";

    r.thermalState = 3;
    auto hot = MenuBarLabel(r).items();
    ASSERT_EQ(hot.size(), 2u);
    EXPECT_EQ(hot[1].kind, LabelItem::Kind::heat);
    EXPECT_EQ(hot[1].tint, LabelItem::Tint::red);
    r.thermalState = 2;
    EXPECT_EQ(MenuBarLabel(r).items()[1].tint, LabelItem::Tint::orange);
}

TEST(MenuBarLabelTest, NumbersKeepTheirWidthWhateverTheValue) {
    LabelReadings low = calm(), high = calm();
    low.cpu = 0.05;
    high.cpu = 1.0;
    EXPECT_EQ(MenuBarLabel(low).size(), MenuBarLabel(high).size());
    EXPECT_EQ(MenuBarLabel(high).items()[0].text, "100%");

    LabelReadings none = calm();
    none.temperature.reset();
    EXPECT_EQ(MenuBarLabel(none).items()[2].text, "–");
    EXPECT_EQ(MenuBarLabel(none).size(), MenuBarLabel(calm()).size());

    LabelReadings empty = calm();
    empty.memoryTotal = 0;
    EXPECT_EQ(MenuBarLabel(empty).items()[1].text, "0%");
}

TEST(MenuBarLabelTest, ThePictureFollowsTheReadingsAndTheScale) {
    LabelReadings a = calm(), b = calm();
    b.cpu = 0.87;
    b.cpuHistory = {0.9, 0.1, 0.8, 0.87};
    QImage first = MenuBarLabel(a).render(2, Qt::black);
    QImage second = MenuBarLabel(b).render(2, Qt::black);
    EXPECT_EQ(first.size(), second.size());
    EXPECT_NE(first, second);
    QImage single = MenuBarLabel(a).render(1, Qt::black);
    EXPECT_EQ(first.width(), single.width() * 2);
    EXPECT_EQ(first.devicePixelRatio(), 2);
}

}  // namespace
}  // namespace tv
