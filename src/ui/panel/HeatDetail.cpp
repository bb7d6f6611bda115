#include "ui/panel/HeatDetail.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/ReadingTexts.h"
#include "monitor/Monitor.h"
#include "ui/controls/Meter.h"
#include "ui/controls/PanelStyle.h"
#include "ui/panel/Badge.h"
#include "ui/panel/PanelLook.h"

namespace tv {

namespace {

// Between the rows: what the section's 124 points leave, shared out evenly, down to nothing
// (with a fan there are six rows to fit).
QSpacerItem* heatRowGap() {
    return new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
}

}  // namespace

HeatDetail::HeatDetail(bool fahrenheit, QWidget* parent)
    : QWidget(parent),
      fahrenheit_(fahrenheit),
      column_(new QVBoxLayout(this)),
      stateLabel_(PanelLook::label({}, PanelStyle::font(11), true, this)),
      state_(PanelLook::label({}, PanelStyle::font(11, QFont::Medium), false, this)),
      stateDot_(new Dot(PanelLook::tint(Tint::gray), this)) {
    column_->setContentsMargins(12, 4, 12, 4);
    column_->setSpacing(0);
    column_->addSpacerItem(heatRowGap());
    auto* state = new QHBoxLayout();
    state->setSpacing(5);
    state->addWidget(stateLabel_);
    state->addStretch(1);
    state->addWidget(stateDot_, 0, Qt::AlignVCenter);
    state->addWidget(state_);
    column_->addLayout(state);
}

void HeatDetail::addLine() {
    auto* row = new QHBoxLayout();
    row->setSpacing(10);
    Line line{PanelLook::label({}, PanelStyle::font(11), true, this),
              new Meter(PanelLook::hue(Panel::heat), this),
              PanelLook::label({}, PanelLook::numbers(11), false, this)};
    line.label->setFixedWidth(84);
    line.value->setFixedWidth(64);
    line.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(line.label);
    row->addWidget(line.meter, 1, Qt::AlignVCenter);
    row->addWidget(line.value);
    // Before the gap and the state row that end the column.
    int at = column_->count() - 2;
    if (!lines_.empty()) {
        column_->insertSpacerItem(at++, heatRowGap());
    }
    column_->insertLayout(at, row);
    lines_.push_back(line);
}

void HeatDetail::refresh(const Monitor& monitor) {
    std::vector<MeterLine> wanted = ReadingTexts::heatMeters(monitor.thermal(), fahrenheit_);
    while (lines_.size() < wanted.size()) {
        addLine();
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        bool used = i < wanted.size();
        for (QWidget* w :
             {static_cast<QWidget*>(lines_[i].label), static_cast<QWidget*>(lines_[i].meter),
              static_cast<QWidget*>(lines_[i].value)}) {
            w->setVisible(used);
        }
        if (!used) {
            continue;
        }
        lines_[i].label->setText(QString::fromStdString(wanted[i].label));
        lines_[i].value->setText(QString::fromStdString(wanted[i].value));
        lines_[i].meter->setEmpty(!wanted[i].fill);
        lines_[i].meter->setValue(wanted[i].fill.value_or(0));
        lines_[i].meter->setAccessibleName(lines_[i].label->text() + QLatin1Char(' ') +
                                           lines_[i].value->text());
    }
    // The label and value columns are 84 and 64 points, or as wide as their widest text
    // ("CPU average", "2,400 rpm") at the panel's font sizes, so the meters stay aligned.
    int labels = 84;
    int values = 64;
    for (const Line& line : lines_) {
        labels = std::max(labels, line.label->sizeHint().width());
        values = std::max(values, line.value->sizeHint().width());
    }
    for (const Line& line : lines_) {
        line.label->setFixedWidth(labels);
        line.value->setFixedWidth(values);
    }
    ThermalState s = monitor.thermalState();
    stateLabel_->setText(QString::fromStdString(ReadingTexts::thermalStateLabel(monitor.words())));
    state_->setText(QString::fromStdString(ReadingTexts::thermalStateName(s)));
    stateDot_->setColor(PanelLook::tint(ReadingTexts::thermalStateTint(s)));
}

}  // namespace tv
