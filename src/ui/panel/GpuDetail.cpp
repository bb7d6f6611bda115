#include "ui/panel/GpuDetail.h"

#include <QLabel>
#include <QVBoxLayout>

#include "monitor/Monitor.h"
#include "ui/controls/PanelStyle.h"
#include "ui/panel/ChartView.h"
#include "ui/panel/PanelLook.h"

namespace tv {

GpuDetail::GpuDetail(QWidget* parent) : QWidget(parent) {
    LiveChart chart;
    chart.color = PanelLook::hue(Panel::gpu);
    chart.span = 60;
    chart.lineWidth = 1.5;
    chart.grid = true;
    chart.fps = 30;
    chart_ = new ChartView(chart, this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 6, 12, 6);
    column->setSpacing(8);
    column->addWidget(
        PanelLook::label(QStringLiteral("Last minute"), PanelStyle::font(11), true, this));
    chart_->setFixedHeight(92);
    column->addWidget(chart_);
}

void GpuDetail::refresh(const Monitor& monitor) {
    chart_->setValues(monitor.gpuHistory().values(), monitor.sampledAt());
}

}  // namespace tv
