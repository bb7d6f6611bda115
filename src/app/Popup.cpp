#include "app/Popup.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "app/PanelScroller.h"
#include "ui/panel/PanelLook.h"

namespace tv {

namespace {

constexpr Qt::WindowFlags panelFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

// The desktop learns of a shown window a moment later; it is asked again until it knows it.
constexpr int placeRetryMs = 30;
constexpr int placeTries = 20;

}  // namespace

Popup::Popup(QWidget* parent)
    : QWidget(parent, panelFlags), scroller_(new PanelScroller(this)), placing_(new QTimer(this)) {
    placing_->setSingleShot(true);
    placing_->setInterval(placeRetryMs);
    connect(placing_, &QTimer::timeout, this, &Popup::placeThroughDesktop);
    setWindowTitle(QStringLiteral("TallyVane panel"));
    setAccessibleName(QStringLiteral("TallyVane panel"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    // The window follows the content's size as sections come and go.
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(scroller_);
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
    scroller_->setContent(nullptr);
    content_ = nullptr;
    if (factory_) {
        content_ = factory_(scroller_);
    }
    if (!content_) {
        content_ = new QWidget();
        content_->setFixedSize(width, 160);
    }
    scroller_->setContent(content_);
}

int Popup::maximumContentHeight() const {
    return scroller_->maximumContentHeight();
}

void Popup::openAt(const QRect& anchor) {
    anchor_ = anchor.isNull() ? QRect(QCursor::pos(), QSize(1, 1)) : anchor;
    QScreen* screen = QGuiApplication::screenAt(anchor_.center());
    screen_ = (screen ? screen : QGuiApplication::primaryScreen())->availableGeometry();
    if (QRect area = area_ ? area_() : QRect(); area.intersects(screen_)) {
        screen_ = area.intersected(screen_);
    }
    // An item reported outside the usable area (under a dock, say) counts as at its edge.
    anchor_ = anchor_.intersected(screen_).isEmpty()
                  ? QRect(QPoint(std::clamp(anchor_.center().x(), screen_.left(), screen_.right()),
                                 std::clamp(anchor_.center().y(), screen_.top(), screen_.bottom())),
                          QSize(1, 1))
                  : anchor_.intersected(screen_);
    build();
    int under = screen_.bottom() + 1 - margin - (anchor_.bottom() + gap);
    int over = anchor_.top() - gap - margin - screen_.top();
    int wanted = content_->sizeHint().expandedTo(content_->minimumSize()).height();
    below_ = wanted <= under || under >= over;
    scroller_->setMaximumContentHeight(below_ ? under : over);
    layout()->activate();
    adjustSize();
    place();
    show();
    raise();
    activateWindow();
    placeTries_ = 0;
    placeThroughDesktop();
    emit opened();
}

void Popup::place() {
    int x =
        std::clamp(anchor_.center().x() - QWidget::width() / 2, screen_.left() + margin,
                   std::max(screen_.left() + margin, screen_.right() - QWidget::width() - margin));
    int y = below_ ? anchor_.bottom() + gap : anchor_.top() - gap - height();
    placedAt_ = QPoint(
        x, std::clamp(y, screen_.top(), std::max(screen_.top(), screen_.bottom() - height())));
    move(placedAt_);
    if (isVisible()) {
        placeTries_ = 0;
        placeThroughDesktop();
    }
}

void Popup::placeThroughDesktop() {
    if (!placer_ || !isVisible()) {
        return;
    }
    if (!placer_(placedAt_) && ++placeTries_ < placeTries) {
        placing_->start();
    }
}

void Popup::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Opened above the item, the panel grows and shrinks upwards.
    if (isVisible()) {
        place();
    }
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
    scroller_->setContent(nullptr);
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
