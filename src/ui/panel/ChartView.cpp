#include "ui/panel/ChartView.h"

#include <QPainter>
#include <QTimerEvent>

#include <chrono>
#include <cmath>

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
        if (!timer_.isActive()) {
            int interval = static_cast<int>(std::lround(1000.0 / std::max(chart_.fps, 1.0)));
            timer_.start(interval, Qt::PreciseTimer, this);
        }
    } else {
        timer_.stop();
    }
}

void ChartView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    schedule();
}

void ChartView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

void ChartView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId()) {
        update();
    } else {
        QWidget::timerEvent(event);
    }
}

void ChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    chart_.paint(painter, QRectF(rect()), now(), PanelStyle::primary(*this));
}

}  // namespace tv
