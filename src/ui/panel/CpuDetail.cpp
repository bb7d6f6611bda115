#include "ui/panel/CpuDetail.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/CoreGroups.h"
#include "core/ReadingTexts.h"
#include "monitor/Monitor.h"
#include "ui/controls/Meter.h"
#include "ui/controls/PanelStyle.h"
#include "ui/panel/ChartView.h"
#include "ui/panel/PanelLook.h"

namespace tv {

namespace {

LiveChart detailChart(Panel panel) {
    LiveChart chart;
    chart.color = PanelLook::hue(panel);
    chart.span = 60;
    chart.lineWidth = 1.5;
    chart.grid = true;
    chart.fps = 30;
    return chart;
}

QLabel* caption(const QString& text, QWidget* parent) {
    return PanelLook::label(text, PanelStyle::font(10), true, parent);
}

}  // namespace

CpuDetail::CpuDetail(QWidget* parent)
    : QWidget(parent),
      chart_(new ChartView(detailChart(Panel::cpu), this)),
      efficiency_(new CoreBars(QStringLiteral("Efficiency"), PanelLook::hue(Panel::cpu), this)),
      performance_(new CoreBars(QStringLiteral("Performance"), PanelLook::hue(Panel::cpu), this)),
      load_(new QLabel(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 8, 12, 6);
    column->setSpacing(6);
    chart_->setFixedHeight(54);
    column->addWidget(chart_);
    auto* row = new QHBoxLayout();
    row->setSpacing(12);
    row->addWidget(efficiency_, 0, Qt::AlignBottom);
    row->addWidget(performance_, 0, Qt::AlignBottom);
    row->addStretch(1);
    auto* block = new QVBoxLayout();
    block->setSpacing(3);
    load_->setFont(PanelLook::numbers(13, QFont::Medium));
    load_->setTextFormat(Qt::RichText);
    load_->setAlignment(Qt::AlignRight);
    block->addWidget(load_, 0, Qt::AlignRight);
    block->addWidget(caption(QStringLiteral("Load, 1 \u00B7 5 \u00B7 15 min"), this), 0,
                     Qt::AlignRight);
    row->addLayout(block);
    row->setAlignment(block, Qt::AlignBottom);
    column->addLayout(row);
}

void CpuDetail::refresh(const Monitor& monitor) {
    chart_->setValues(monitor.cpuHistory().values(), monitor.sampledAt());
    CoreGroups groups = groupCores(monitor.cpu(), monitor.efficiencyCores());
    efficiency_->setValues(groups.efficiency);
    performance_->setValues(groups.performance);
    efficiency_->setVisible(!groups.efficiency.empty());
    performance_->setVisible(!groups.performance.empty());

    loadTexts_ = ReadingTexts::loadTexts(monitor.load());
    showLoad();
}

void CpuDetail::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The dots between the figures are drawn in the look's tertiary colour.
    if (event->type() == QEvent::PaletteChange) {
        showLoad();
    }
}

void CpuDetail::showLoad() {
    QColor tertiary = PanelStyle::primary(*this, 0.3);
    // The dots sit about 4 points from the figures: dot and spaces are the text face's, not
    // the wide monospaced ones.
    QString separator =
        QStringLiteral("<span style=\"color:%1; font-family:'%2'\">&nbsp;\u00B7&nbsp;</span>")
            .arg(tertiary.name(QColor::HexArgb), PanelStyle::font(13).family());
    QStringList parts;
    QStringList spoken;
    for (const std::string& value : loadTexts_) {
        parts << QString::fromStdString(value);
        spoken << QString::fromStdString(value);
    }
    load_->setText(parts.join(separator));
    load_->setAccessibleName(QStringLiteral("Load ") + spoken.join(QStringLiteral(", ")));
}

}  // namespace tv
