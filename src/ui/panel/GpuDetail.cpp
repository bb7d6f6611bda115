#include "ui/panel/GpuDetail.h"

#include <QLabel>
#include <QVBoxLayout>

#include "monitor/Monitor.h"
#include "ui/controls/PanelStyle.h"
#include "ui/panel/ChartView.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/ReadingRow.h"

#include <algorithm>

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
    // The caption and the chart fill the section's 124 points: under the caption's line
    // the chart is about 87 high (a 92-point chart would make the section 131).
    constexpr int margin = 5;
    constexpr int spacing = 8;
    column->setContentsMargins(12, margin, 12, margin);
    column->setSpacing(spacing);
    QLabel* caption =
        PanelLook::label(QStringLiteral("Last minute"), PanelStyle::font(11), true, this);
    column->addWidget(caption);
    chart_->setFixedHeight(std::max(
        40, ReadingRow::detailHeight - 2 * margin - spacing - caption->sizeHint().height()));
    column->addWidget(chart_);
}

void GpuDetail::refresh(const Monitor& monitor) {
    chart_->setValues(monitor.gpuHistory().values(), monitor.sampledAt());
}

}  // namespace tv
