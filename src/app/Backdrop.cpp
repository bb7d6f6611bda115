#include "app/Backdrop.h"

#include <QPainter>
#include <QScreen>

namespace tv {

namespace {

// Kept at the panel's level; never takes the focus or the pointer from anything.
constexpr Qt::WindowFlags backdropFlags = Qt::Tool | Qt::FramelessWindowHint |
                                          Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput |
                                          Qt::WindowDoesNotAcceptFocus;

}  // namespace

Backdrop::Backdrop(bool dark, QWidget* parent)
    : QWidget(parent, backdropFlags), color_(colorFor(dark)) {
    setWindowTitle(QStringLiteral("TallyVane backdrop"));
    setAttribute(Qt::WA_ShowWithoutActivating);
}

QColor Backdrop::colorFor(bool dark) {
    return dark ? QColor::fromRgbF(0.16f, 0.1f, 0.21f) : QColor::fromRgbF(0.91f, 0.86f, 0.95f);
}

QRect Backdrop::frameFor(const QRect& panel, const QRect& screen) {
    QRect grown = panel.adjusted(-margin, -margin, margin, margin);
    return screen.isEmpty() ? grown : grown.intersected(screen);
}

void Backdrop::showBelow(QWidget& panel) {
    QScreen* screen = panel.screen();
    setGeometry(frameFor(panel.frameGeometry(), screen ? screen->availableGeometry() : QRect()));
    show();
    // Raising the panel puts the backdrop directly below it: both are at the same level.
    panel.raise();
}

void Backdrop::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), color_);
}

}  // namespace tv
