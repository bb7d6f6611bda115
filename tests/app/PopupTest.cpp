// The panel's window off screen: it never runs past the screen, whatever its content's height.
#include "app/Popup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include "support/EventLoop.h"

namespace tv {
namespace {

TEST(PopupTest, TallContentScrollsWithinTheScreenUnderOrAboveTheItem) {
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget* content = nullptr;
    Popup popup;
    popup.setContentFactory([&](QWidget* parent) {
        content = new QWidget(parent);
        content->setFixedSize(Popup::width, 2000);
        return content;
    });

    // An item at the top: the panel hangs under it, its content scrolls.
    QRect top(screen.center().x(), screen.top(), 20, 20);
    popup.openAt(top);
    test::spin(0.2, [] { return false; });
    EXPECT_EQ(popup.y(), top.bottom() + Popup::gap);
    EXPECT_EQ(popup.geometry().bottom(), screen.bottom() - Popup::margin) << "margin free";
    auto* scroller = popup.findChild<QScrollArea*>();
    ASSERT_TRUE(scroller);
    EXPECT_GT(scroller->verticalScrollBar()->maximum(), 2000 - screen.height());
    EXPECT_EQ(popup.QWidget::width(), Popup::width) << "the bar lies over the padding";
    QWheelEvent wheel(QPointF(10, 10), popup.mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(scroller->viewport(), &wheel);
    EXPECT_GT(scroller->verticalScrollBar()->value(), 0) << "the wheel scrolls it";

    // The content shrinks while open: so does the window, without scrolling.
    content->setFixedSize(Popup::width, 300);
    EXPECT_TRUE(test::spin(1, [&] { return popup.height() == 300; })) << popup.height();
    popup.close();

    // An item at the bottom: the panel opens above it and stays on screen.
    QRect bottom(screen.center().x(), screen.bottom() - 20, 20, 20);
    popup.openAt(bottom);
    test::spin(0.2, [] { return false; });
    EXPECT_EQ(popup.geometry().bottom(), bottom.top() - Popup::gap - 1);
    EXPECT_EQ(popup.y(), screen.top() + Popup::margin);
    popup.close();
}

}  // namespace
}  // namespace tv
