#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "support/EventLoop.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/FrameClock.h"
#include "ui/controls/Meter.h"
#include "ui/controls/Motion.h"
#include "ui/controls/PanelStyle.h"
#include "ui/controls/Reveal.h"
#include "ui/controls/ShownChildren.h"
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

TEST(ShownChildrenTest, AScreenReaderIsGivenOnlyTheChildrenOnScreen) {
    ShownChildren::install();
    QWidget parent;
    auto* quit = new QPushButton(QStringLiteral("Quit"), &parent);
    auto* keep = new QPushButton(QStringLiteral("Keep"), &parent);
    quit->hide();
    parent.show();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&parent);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->childCount(), 1);
    EXPECT_EQ(list->child(0)->object(), keep);
    EXPECT_EQ(list->child(1), nullptr);
    EXPECT_EQ(list->indexOfChild(QAccessible::queryAccessibleInterface(quit)), -1);
    // Shown, it is listed in its place; hidden again, it is gone again.
    quit->show();
    ASSERT_EQ(list->childCount(), 2);
    EXPECT_EQ(list->child(0)->object(), quit);
    EXPECT_EQ(list->indexOfChild(QAccessible::queryAccessibleInterface(keep)), 1);
    quit->hide();
    EXPECT_EQ(list->childCount(), 1);
    // A control keeps Qt's own interface.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(keep)->role(), QAccessible::Button);
}

// A reader counts a list's children and then asks for them one by one; in between, the list's
// scroll bar can go (its rows shrank, or the page over it hid it). Asking for the child that
// was counted must then give nothing, not read past the end of the children.
TEST(ShownChildrenTest, AScrollBarThatWentBetweenCountingAndAskingIsNothing) {
    ShownChildren::install();
    QWidget window;
    auto* area = new QScrollArea(&window);
    area->setFixedSize(200, 100);
    auto* rows = new QWidget;
    rows->setFixedSize(180, 400);
    area->setWidget(rows);
    window.show();
    QApplication::processEvents();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(area);
    ASSERT_TRUE(list);
    int counted = list->childCount();
    ASSERT_EQ(counted, 2) << "the viewport and the scroll bar";
    EXPECT_EQ(list->child(0)->object(), area->viewport());
    ASSERT_TRUE(list->child(1));
    EXPECT_EQ(list->child(1)->object(), area->verticalScrollBar()->parentWidget());
    EXPECT_EQ(list->child(counted), nullptr);

    rows->setFixedSize(180, 50);
    QApplication::processEvents();
    EXPECT_EQ(list->childCount(), 1) << "the bar went with the rows";
    EXPECT_EQ(list->child(counted - 1), nullptr);
    EXPECT_EQ(list->child(-1), nullptr);
    EXPECT_EQ(list->indexOfChild(QAccessible::queryAccessibleInterface(area->viewport())), 0);
}

// A window's views share one clock: the fastest one's rate, each slower one drawing at its own
// rate on ticks spread among them, and no ticking once the last one has gone.
TEST(FrameClockTest, MembersDrawAtTheirOwnRatesOnOneClockThatStopsWhenTheyLeave) {
    QWidget window;
    FrameClock& clock = FrameClock::of(&window);
    EXPECT_EQ(&FrameClock::of(&window), &clock) << "one per window";
    EXPECT_FALSE(clock.ticking());
    auto fast = std::make_unique<QObject>();
    QObject slow;
    int fastFrames = 0, slowFrames = 0, together = 0;
    bool fastThisTick = false;
    clock.join(fast.get(), 30, [&] {
        ++fastFrames;
        fastThisTick = true;
    });
    clock.join(&slow, 12, [&] {
        ++slowFrames;
        together += fastThisTick;
    });
    EXPECT_EQ(clock.rate(), 30);
    QElapsedTimer elapsed;
    elapsed.start();
    test::spin(1.0, [&] {
        fastThisTick = false;
        return false;
    });
    const double seconds = static_cast<double>(elapsed.elapsed()) / 1000;
    // Timers on a shared machine run late, never early.
    EXPECT_LE(fastFrames, 30 * seconds + 2);
    EXPECT_GE(fastFrames, 15);
    EXPECT_NEAR(static_cast<double>(slowFrames) / fastFrames, 12.0 / 30, 0.08);
    EXPECT_EQ(together, slowFrames) << "a slow member draws on the fast one's ticks";

    fast.reset();  // destroyed: it leaves by itself
    EXPECT_EQ(clock.rate(), 12);
    clock.join(&slow, 0, [] {});
    EXPECT_FALSE(clock.ticking());
    clock.leave(&slow);
    EXPECT_FALSE(clock.ticking());
}

TEST(ControlsTest, StubsAndFills) {
    EXPECT_EQ(Meter::fillWidth(0, 200), 4);
    EXPECT_EQ(Meter::fillWidth(1.5, 200), 200);
    EXPECT_EQ(Meter::fillWidth(0.5, 200), 100);
    EXPECT_EQ(CoreBars::barHeight(0), 2);
    EXPECT_EQ(CoreBars::barHeight(0.5), 15);
    EXPECT_EQ(CoreBars::accessibleText("Performance", {0.123, 0.4}), "Performance 12%, 40%");
}

// A screen reader finds each option as a named button that says whether it is chosen and
// chooses it when pressed; the pointer still chooses on press, through the row.
TEST(ControlsTest, SegmentedOptionsAreButtonsThatNameTellAndChooseTheirOption) {
    std::vector<std::string> played;
    Segmented row({"Memory", "CPU"}, [&](const char* sound) { played.push_back(sound); });
    row.resize(124, 20);
    row.show();
    std::vector<int> chosen;
    QObject::connect(&row, &Segmented::selectedChanged,
                     [&](int index) { chosen.push_back(index); });
    QList<QAbstractButton*> options = row.findChildren<QAbstractButton*>();
    ASSERT_EQ(options.size(), 2);
    EXPECT_EQ(options[0]->accessibleName(), "Memory");
    EXPECT_EQ(options[1]->accessibleName(), "CPU");
    EXPECT_EQ(options[1]->geometry(), QRect(62, 0, 62, 20));
    EXPECT_TRUE(options[0]->isChecked());
    EXPECT_FALSE(options[1]->isChecked());

    options[1]->click();
    options[1]->click();  // already chosen: stays chosen, no second sound
    EXPECT_EQ(row.selected(), 1);
    EXPECT_EQ(chosen, std::vector<int>{1});
    EXPECT_EQ(played, std::vector<std::string>{"Select"});
    EXPECT_TRUE(options[1]->isChecked());
    EXPECT_FALSE(options[0]->isChecked());

    QPointF inside(10, 10);
    QMouseEvent press(QEvent::MouseButtonPress, inside, options[0]->mapToGlobal(inside),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(options[0], &press);
    EXPECT_EQ(row.selected(), 0) << "a press on an option goes on to the row";
    EXPECT_TRUE(options[0]->isChecked());
    options[1]->toggle();
    EXPECT_EQ(row.selected(), 1) << "a screen reader's toggle action";
}

// A switch set on before it is shown is drawn on at once, knob on the right; one the user
// flips slides there.
TEST(ControlsTest, ASwitchSetBeforeItShowsStartsInPlace) {
    Switch on;
    on.setChecked(true);
    QImage drawn = on.grab().toImage();
    auto white = [&](int x) { return qGray(drawn.pixel(x, drawn.height() / 2)) > 240; };
    EXPECT_TRUE(white(drawn.width() - 5)) << "knob on the right";
    EXPECT_FALSE(white(4)) << "not on the left";

    Switch flipped;
    flipped.show();
    flipped.click();
    drawn = flipped.grab().toImage();
    EXPECT_TRUE(white(4)) << "a flip the user sees slides from the left";
}

TEST(ControlsTest, RevealWithReducedMotionHasNoOffsetOrDelay) {
    EXPECT_EQ(Reveal::offset(false, false), 8);
    EXPECT_EQ(Reveal::offset(true, false), 0);
    EXPECT_EQ(Reveal::offset(false, true), 0);
    EXPECT_DOUBLE_EQ(Reveal::delay(6, false), 0.21);
    EXPECT_EQ(Reveal::delay(6, true), 0);
}

// With the desktop's animations off, a spring started anywhere lands on its end at once, and
// a section being revealed is in place without waiting; turned on again, springs take time.
TEST(ControlsTest, ReducedMotionMakesSpringsAndRevealsJumpToTheirEnd) {
    Motion::setReduced(true);
    SpringAnimation spring(Spring{0.45, 0.85});
    std::vector<double> seen;
    QObject::connect(&spring, &QVariantAnimation::valueChanged,
                     [&](const QVariant& v) { seen.push_back(v.toDouble()); });
    spring.retarget(0.0, 1.0);
    EXPECT_EQ(spring.state(), QAbstractAnimation::Stopped) << "finished as soon as started";
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 1.0);
    EXPECT_EQ(spring.currentValue().toDouble(), 1.0);

    QWidget section;
    section.resize(100, 40);
    Reveal reveal(&section, 6);
    reveal.setShown(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(section.contentsMargins().top(), 0) << "no offset and no delay";
    EXPECT_EQ(section.graphicsEffect(), nullptr) << "fully shown, so drawn without a fade";

    Motion::setReduced(false);
    spring.retarget(1.0, 0.0);
    EXPECT_EQ(spring.state(), QAbstractAnimation::Running) << "motion is back";
    EXPECT_GT(spring.duration(), 500);
    spring.stop();
}

TEST(ControlsTest, BarsFollowTheirValuesAlongASpringFromWhereTheyAreDrawn) {
    using Values = std::vector<double>;
    SegmentBar bar;
    bar.resize(200, 8);
    bar.show();
    bar.setParts({{0.2, Qt::red}, {0.3, Qt::blue}});
    EXPECT_EQ(bar.shownFractions(), (Values{0.2, 0.3})) << "first shown: in place";
    bar.setParts({{0.6, Qt::red}, {0.1, Qt::blue}});
    EXPECT_EQ(bar.shownFractions(), (Values{0.2, 0.3})) << "a change starts where it is drawn";
    EXPECT_TRUE(FrameClock::of(bar.window()).ticking()) << "it steps on its window's clock";
    test::spin(0.05, [] { return false; });
    Values midway = bar.shownFractions();
    bar.setParts({{0.0, Qt::red}, {0.1, Qt::blue}});
    EXPECT_EQ(bar.shownFractions(), midway) << "a change on the way never jumps";
    test::spin(1.2, [] { return false; });
    EXPECT_EQ(bar.shownFractions(), (Values{0.0, 0.1}));
    EXPECT_FALSE(FrameClock::of(bar.window()).ticking()) << "settled, it takes no more frames";

    Meter meter(Qt::green);
    meter.resize(200, 6);
    meter.setValue(0.5);
    EXPECT_EQ(meter.shown(), 0) << "the first value sweeps in from the empty track";
    test::spin(0.15, [] { return false; });
    EXPECT_GT(meter.shown(), 0);
    EXPECT_LT(meter.shown(), 0.5);
    test::spin(1.2, [] { return false; });
    EXPECT_EQ(meter.shown(), 0.5);
    meter.setValue(0.501);
    EXPECT_EQ(meter.shown(), 0.501) << "a move of a fifth of a point is taken at once";

    CoreBars cores(QStringLiteral("Performance"), Qt::green);
    cores.setValues({0.9, 0.1});
    cores.setValues({0.1, 0.9});
    EXPECT_EQ(cores.shown(), (Values{0.1, 0.9})) << "off screen: nothing to move";
    cores.show();
    cores.setValues({0.5, 0.5});
    EXPECT_EQ(cores.accessibleName(), "Performance 50%, 50%") << "the reading is told at once";
    EXPECT_EQ(cores.shown(), (Values{0.1, 0.9}));
    cores.setValues({0.5, 0.5, 0.7});
    EXPECT_EQ(cores.shown().back(), 0.7) << "a core new to the list starts at its value";

    Motion::setReduced(true);
    cores.setValues({1, 0, 0});
    EXPECT_EQ(cores.shown(), (Values{1, 0, 0})) << "reduced motion: there at once";
    Motion::setReduced(false);
}

TEST(ControlsTest, PillsEaseTheirHoverAndPressAndJumpWithReducedMotion) {
    PillButton pill(QStringLiteral("Settings"));
    pill.resize(80, 22);
    pill.show();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&pill, &enter);
    EXPECT_EQ(pill.hoverShown(), 0) << "eases in rather than jumping";
    test::spin(0.3, [] { return false; });
    EXPECT_EQ(pill.hoverShown(), 1);
    emit pill.pressed();
    test::spin(0.3, [] { return false; });
    EXPECT_EQ(pill.pressShown(), 1);
    emit pill.released();
    test::spin(0.3, [] { return false; });
    EXPECT_EQ(pill.pressShown(), 0);

    Motion::setReduced(true);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&pill, &leave);
    EXPECT_EQ(pill.hoverShown(), 0) << "reduced motion: at once";
    Motion::setReduced(false);
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
