#include <gtest/gtest.h>

#include "ui/controls/Meter.h"
#include "ui/controls/PanelStyle.h"
#include "ui/controls/Reveal.h"
#include "ui/controls/Spring.h"
#include "ui/controls/Toggles.h"
#include "ui/panel/PanelLook.h"

namespace tv {
namespace {

TEST(SpringTest, CriticalDampingArrivesWithoutOvershootAndLessDampingOvershoots) {
    Spring calm{0.45, 1};
    double previous = 0;
    for (double t = 0.01; t < calm.settleTime(); t += 0.01) {
        double x = calm.progress(t);
        EXPECT_GE(x, previous - 1e-12);
        EXPECT_LE(x, 1.0);
        previous = x;
    }
    EXPECT_NEAR(calm.progress(calm.settleTime()), 1, 1e-3);
    EXPECT_EQ(calm.progress(0), 0);

    Spring bouncy{0.3, 0.85};
    double peak = 0;
    for (double t = 0; t < 1; t += 0.001)
        peak = std::max(peak, bouncy.progress(t));
    EXPECT_GT(peak, 1.0);
    EXPECT_LT(peak, 1.02) << "0.85 damping overshoots only a little";
    EXPECT_NEAR(bouncy.progress(bouncy.settleTime()), 1, 1e-3);
}

TEST(ControlsTest, StubsAndFills) {
    EXPECT_EQ(Meter::fillWidth(0, 200), 4);
    EXPECT_EQ(Meter::fillWidth(1.5, 200), 200);
    EXPECT_EQ(Meter::fillWidth(0.5, 200), 100);
    EXPECT_EQ(CoreBars::barHeight(0), 2);
    EXPECT_EQ(CoreBars::barHeight(0.5), 15);
    EXPECT_EQ(CoreBars::accessibleText("Performance", {0.123, 0.4}), "Performance 12%, 40%");
}

TEST(ControlsTest, RevealWithReducedMotionHasNoOffsetOrDelay) {
    EXPECT_EQ(Reveal::offset(false, false), 8);
    EXPECT_EQ(Reveal::offset(true, false), 0);
    EXPECT_EQ(Reveal::offset(false, true), 0);
    EXPECT_DOUBLE_EQ(Reveal::delay(6, false), 0.21);
    EXPECT_EQ(Reveal::delay(6, true), 0);
}

TEST(ControlsTest, SpinnersFollowTheLookUnlessGivenAColour) {
    QWidget panel;
    panel.setPalette(PanelLook::palette(false));
    Spinner following(&panel);
    Spinner white(Qt::white, &panel);
    QColor light = following.color();
    panel.setPalette(PanelLook::palette(true));
    EXPECT_NE(following.color(), light);
    EXPECT_EQ(following.color(), PanelStyle::secondary(panel));
    EXPECT_EQ(white.color(), QColor(Qt::white));
}

}  // namespace
}  // namespace tv
