// The installed icon is the label's own logo mark: the SVG's white mark, drawn at build time,
// covers the same pixels as the mark the label draws.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "ui/Symbols.h"

namespace tv {
namespace {

TEST(Logo, TheIconsMarkIsTheLabelsMark) {
    QImage icon(QStringLiteral(TALLYVANE_ICONS "/256/tallyvane.png"));
    ASSERT_EQ(icon.size(), QSize(256, 256));
    icon = icon.convertToFormat(QImage::Format_ARGB32);

    // In the SVG the mark is scaled by 0.72 about the centre of the 1024-unit square.
    QImage drawn(256, 256, QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    painter.setRenderHint(QPainter::Antialiasing);
    const double width = 880 * 0.72 / 4;
    const double height = 813.985 * 0.72 / 4;
    painter.fillPath(Symbols::logo(QRectF(128 - width / 2, 128 - height / 2, width, height)),
                     Qt::white);
    painter.end();

    int mark = 0;
    int differing = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            bool white = qRed(icon.pixel(x, y)) > 160 && qBlue(icon.pixel(x, y)) > 160 &&
                         qGreen(icon.pixel(x, y)) > 160;
            bool inLabel = qAlpha(drawn.pixel(x, y)) > 96;
            mark += inLabel;
            differing += white != inLabel;
        }
    }
    ASSERT_GT(mark, 2000);
    EXPECT_LT(differing, mark / 25) << differing << " of " << mark << " pixels differ";
}

}  // namespace
}  // namespace tv
