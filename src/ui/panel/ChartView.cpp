#include "ui/panel/ChartView.h"

#include <QPainter>

#include <chrono>
#include <cmath>

#include "ui/controls/FrameClock.h"
#include "ui/controls/PanelStyle.h"

namespace tv {

namespace {

Date now() {
    return std::chrono::time_point_cast<Seconds>(std::chrono::system_clock::now());
}

}  // namespace

ChartView::ChartView(LiveChart chart, QWidget* parent) : QWidget(parent), chart_(std::move(chart)) {
    chart_.shownAt = now();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void ChartView::setValues(const std::vector<double>& values, Date sampledAt) {
    if (values == chart_.values && sampledAt == chart_.sampledAt) {
        return;
    }
    chart_.values = values;
    chart_.sampledAt = sampledAt;
    if (!chart_.live) {
        update();
    }
}

void ChartView::setLive(bool live) {
    if (live == chart_.live) {
        return;
    }
    chart_.live = live;
    schedule();
    update();
}

void ChartView::schedule() {
    if (chart_.live && isVisible()) {
        FrameClock& clock = FrameClock::of(window());
        if (clock_ && clock_ != &clock) {
            clock_->leave(this);
        }
        clock_ = &clock;
        clock.join(this, chart_.fps, [this] { update(); });
    } else if (clock_) {
        clock_->leave(this);
        clock_ = nullptr;
    }
}

void ChartView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    schedule();
}

void ChartView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    schedule();
}

void ChartView::setScale(double scale) {
    if (scale != scale_) {
        scale_ = scale;
        update();
    }
}

void ChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRectF area(rect());
    if (scale_ != 1) {
        QPointF centre = area.center();
        painter.translate(centre);
        painter.scale(scale_, scale_);
        painter.translate(-centre);
    }
    chart_.paint(painter, area, now(), PanelStyle::primary(*this));
}

}  // namespace tv
