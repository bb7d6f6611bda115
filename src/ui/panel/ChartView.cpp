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

int ChartView::interval() const {
    double fastest = 1000.0 / std::max(chart_.fps, 1.0);
    double sinceShown = secondsBetween(chart_.shownAt, now());
    if (sinceShown < LiveChart::revealSeconds || chart_.span < 2 || width() <= 0) {
        return static_cast<int>(std::lround(fastest));
    }
    // After the reveal the line only scrolls, one step a second: a frame that would move it
    // by less than a point changes nothing worth drawing.
    double step = double(width()) / (chart_.span - 1);
    return static_cast<int>(std::lround(std::max(fastest, 1000.0 / step)));
}

void ChartView::schedule() {
    if (chart_.live && isVisible()) {
        int wanted = interval();
        if (!timer_.isActive() || wanted != interval_) {
            interval_ = wanted;
            timer_.start(wanted, Qt::PreciseTimer, this);
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
        schedule();
    } else {
        QWidget::timerEvent(event);
    }
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
