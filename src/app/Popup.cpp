#include "app/Popup.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "monitor/Monitor.h"

namespace tv {

Popup::Popup(Monitor& monitor, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), monitor_(monitor) {
    managed_ = QGuiApplication::platformName() == QLatin1String("xcb") &&
               qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (managed_) {
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    }
    setWindowTitle(QStringLiteral("TallyVane panel"));
    setFixedWidth(width);
    new QVBoxLayout(this);
    layout()->setContentsMargins(16, 16, 16, 16);
}

void Popup::setTransient(bool transient) {
    transient_ = transient;
    if (managed_) {
        return;  // already a tool window; `transient_` decides whether losing focus closes it
    }
    Qt::WindowFlags flags = transient
                                ? (Qt::Popup | Qt::FramelessWindowHint)
                                : (Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowFlags(flags);
}

void Popup::build() {
    delete content_;
    // Until the dashboard is in, the panel shows the verdict and what it is about.
    content_ = new QWidget(this);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(QString::fromStdString(monitor_.healthTitle()), content_);
    QFont big = title->font();
    big.setPointSizeF(15);
    big.setWeight(QFont::DemiBold);
    title->setFont(big);
    column->addWidget(title);
    if (auto detail = monitor_.healthDetail()) {
        auto* text = new QLabel(QString::fromStdString(*detail), content_);
        text->setWordWrap(true);
        column->addWidget(text);
    }
    content_->setMinimumHeight(160);
    layout()->addWidget(content_);
}

void Popup::openAt(const QRect& anchor) {
    build();
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
}

bool Popup::event(QEvent* event) {
    if (managed_ && transient_ && event->type() == QEvent::WindowDeactivate && isVisible()) {
        close();
    }
    return QWidget::event(event);
}

void Popup::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool Popup::justClosed() const {
    return closedAt_.isValid() && closedAt_.elapsed() < 250;
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
