#include "app/Popup.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/panel/PanelLook.h"

namespace tv {

namespace {

constexpr Qt::WindowFlags panelFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

}  // namespace

Popup::Popup(QWidget* parent) : QWidget(parent, panelFlags) {
    setWindowTitle(QStringLiteral("TallyVane panel"));
    setAccessibleName(QStringLiteral("TallyVane panel"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    // The window follows the content's size as sections come and go.
    column->setSizeConstraint(QLayout::SetFixedSize);
    setPalette(PanelLook::palette(PanelLook::isDark(palette())));
}

void Popup::setTransient(bool transient) {
    transient_ = transient;
}

void Popup::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && transient_ && isVisible() &&
        !isActiveWindow()) {
        close();
    }
}

void Popup::setDark(bool dark) {
    setPalette(PanelLook::palette(dark));
    update();
}

void Popup::build() {
    delete content_;
    content_ = nullptr;
    if (factory_) {
        content_ = factory_(this);
    }
    if (!content_) {
        content_ = new QWidget(this);
        content_->setFixedSize(width, 160);
    }
    layout()->addWidget(content_);
}

void Popup::openAt(const QRect& anchor) {
    build();
    layout()->activate();
    adjustSize();
    QPoint under = anchor.isNull() ? QCursor::pos() : QPoint(anchor.center().x(), anchor.bottom());
    QRect screen = QGuiApplication::screenAt(under)
                       ? QGuiApplication::screenAt(under)->availableGeometry()
                       : QGuiApplication::primaryScreen()->availableGeometry();
    int x = std::clamp(under.x() - width / 2, screen.left() + 4,
                       std::max(screen.left() + 4, screen.right() - width - 4));
    int y =
        std::clamp(under.y() + 4, screen.top(), std::max(screen.top(), screen.bottom() - height()));
    move(x, y);
    show();
    raise();
    activateWindow();
    emit opened();
}

bool Popup::justClosed() const {
    return closedAt_.isValid() && closedAt_.elapsed() < 250;
}

void Popup::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Popup::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    closedAt_.start();
    delete content_;
    content_ = nullptr;
    emit closed();
}

void Popup::paintEvent(QPaintEvent*) {
    // Square corners: without a compositor, transparent corners would show black.
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tv
