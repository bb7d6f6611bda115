#include "app/PanelScroller.h"

#include <QEvent>
#include <QResizeEvent>
#include <QScrollBar>

#include "ui/controls/PanelStyle.h"
#include "ui/controls/RoomFitting.h"

namespace tv {

namespace {

// The size a content asks for; a content without a layout keeps the size it was given.
QSize natural(const QWidget& content) {
    return content.sizeHint().expandedTo(content.minimumSize());
}

constexpr int barWidth = 6;

}  // namespace

PanelScroller::PanelScroller(QWidget* parent)
    : QScrollArea(parent), bar_(new QScrollBar(Qt::Vertical, this)) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The area's own bar would take width from the content; it still does the scrolling.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The window paints the panel's background and outline.
    viewport()->setAutoFillBackground(false);
    bar_->setAccessibleName(QStringLiteral("Scroll"));
    bar_->setStyleSheet(PanelStyle::thinScrollBar(barWidth, 32));
    bar_->hide();
    QScrollBar* inner = verticalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, this, [this](int low, int high) {
        bar_->setRange(low, high);
        showBar();
    });
    connect(inner, &QScrollBar::valueChanged, bar_, &QScrollBar::setValue);
    connect(bar_, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
}

void PanelScroller::showBar() {
    QScrollBar* inner = verticalScrollBar();
    bar_->setPageStep(inner->pageStep());
    bar_->setSingleStep(inner->singleStep());
    bar_->setVisible(inner->maximum() > inner->minimum());
    bar_->raise();
}

void PanelScroller::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    bar_->setGeometry(width() - barWidth - 3, 3, barWidth, std::max(height() - 6, 0));
    showBar();
}

void PanelScroller::setContent(QWidget* content) {
    delete takeWidget();
    if (!content) {
        return;
    }
    setWidget(content);
    content->setAutoFillBackground(false);
    tellRoom();
    fit();
}

void PanelScroller::setMaximumContentHeight(int height) {
    maximumHeight_ = std::max(height, 1);
    tellRoom();
    fit();
}

void PanelScroller::tellRoom() {
    if (auto* fitting = dynamic_cast<RoomFitting*>(widget())) {
        fitting->setRoom(maximumHeight_ == QWIDGETSIZE_MAX ? 0 : maximumHeight_);
    }
}

bool PanelScroller::scrolls() const {
    return widget() && natural(*widget()).height() > maximumHeight_;
}

QSize PanelScroller::sizeHint() const {
    if (!widget()) {
        return {0, 0};
    }
    QSize content = natural(*widget());
    return {content.width(), std::min(content.height(), maximumHeight_)};
}

void PanelScroller::fit() {
    if (QWidget* content = widget()) {
        content->resize(natural(*content));
    }
    updateGeometry();
}

bool PanelScroller::viewportEvent(QEvent* event) {
    // The content asks for a new size (a section appeared, a row expanded): take it.
    if (event->type() == QEvent::LayoutRequest) {
        fit();
    }
    return QScrollArea::viewportEvent(event);
}

}  // namespace tv
