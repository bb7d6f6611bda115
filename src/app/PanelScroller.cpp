#include "app/PanelScroller.h"

#include <QEvent>
#include <QScrollBar>

namespace tv {

namespace {

// The size a content asks for; a content without a layout keeps the size it was given.
QSize natural(const QWidget& content) {
    return content.sizeHint().expandedTo(content.minimumSize());
}

}  // namespace

PanelScroller::PanelScroller(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The window paints the panel's background and outline.
    viewport()->setAutoFillBackground(false);
    setAccessibleName(QString());
}

void PanelScroller::setContent(QWidget* content) {
    delete takeWidget();
    if (!content) {
        return;
    }
    setWidget(content);
    content->setAutoFillBackground(false);
    fit();
}

void PanelScroller::setMaximumContentHeight(int height) {
    maximumHeight_ = std::max(height, 1);
    updateGeometry();
}

bool PanelScroller::scrolls() const {
    return widget() && natural(*widget()).height() > maximumHeight_;
}

QSize PanelScroller::sizeHint() const {
    if (!widget()) {
        return {0, 0};
    }
    QSize content = natural(*widget());
    if (content.height() <= maximumHeight_) {
        return content;
    }
    return {content.width() + verticalScrollBar()->sizeHint().width(), maximumHeight_};
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
