#include "ui/panel/MemoryDetail.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/ReadingTexts.h"
#include "monitor/Monitor.h"
#include "ui/controls/Meter.h"
#include "ui/controls/PanelStyle.h"
#include "ui/panel/Badge.h"
#include "ui/panel/PanelLook.h"

namespace tv {

namespace {

constexpr std::array<double, 4> strengths{1.0, 0.6, 0.36, 0.18};
const std::array<const char*, 4> names{"Apps", "System", "Compressed", "File cache"};

QColor part(int i) {
    return PanelLook::withAlpha(PanelLook::hue(Panel::memory), strengths[i]);
}

}  // namespace

MemoryDetail::MemoryDetail(QWidget* parent)
    : QWidget(parent),
      bar_(new SegmentBar(this)),
      pressure_(PanelLook::label({}, PanelStyle::font(11, QFont::DemiBold), false, this)),
      pressureDot_(new Dot(PanelLook::tint(Tint::green), this)),
      swap_(PanelLook::label({}, PanelLook::numbers(11), false, this)) {
    auto* column = new QVBoxLayout(this);
    // Bar, legend and the two lines fit the section's 124 points.
    column->setContentsMargins(12, 6, 12, 5);
    column->setSpacing(7);
    bar_->setFixedHeight(8);
    column->addWidget(bar_);

    auto* legend = new QGridLayout();
    legend->setHorizontalSpacing(14);
    legend->setVerticalSpacing(6);
    for (int i = 0; i < 4; ++i) {
        auto* cell = new QHBoxLayout();
        cell->setSpacing(6);
        cell->addWidget(new Dot(part(i), this));
        cell->addWidget(PanelLook::label(names[i], PanelStyle::font(11), true, this));
        cell->addStretch(1);
        bytes_[i] = PanelLook::label({}, PanelLook::numbers(11), false, this);
        cell->addWidget(bytes_[i]);
        legend->addLayout(cell, i / 2, i % 2);
    }
    column->addLayout(legend);

    auto line = [&](const char* title, QWidget* a, QWidget* b) {
        auto* row = new QHBoxLayout();
        row->setSpacing(0);
        // One line: the title and its figure fit the width side by side (the figure's room
        // is what the title leaves, with no fixed gap), and a wrapped title would make the
        // section taller than the others.
        row->addWidget(PanelLook::label(title, PanelStyle::font(11), true, this));
        row->addStretch(1);
        if (a) {
            row->addWidget(a, 0, Qt::AlignVCenter);
            row->addSpacing(5);
        }
        row->addWidget(b);
        column->addLayout(row);
    };
    line("Memory pressure", pressureDot_, pressure_);
    line("Swap (disk used as memory)", nullptr, swap_);
    column->addStretch(1);
}

void MemoryDetail::refresh(const Monitor& monitor) {
    const MemorySample& m = monitor.memory();
    std::array<std::uint64_t, 4> values{m.app, m.wired, m.compressed, m.cached};
    std::vector<SegmentBar::Part> parts;
    for (int i = 0; i < 4; ++i) {
        double fraction = m.total == 0 ? 0 : double(values[i]) / double(m.total);
        parts.push_back({fraction, part(i)});
        bytes_[i]->setText(QString::fromStdString(Format::bytes(values[i])));
        bytes_[i]->setAccessibleName(QString(names[i]) + QLatin1Char(' ') + bytes_[i]->text());
    }
    bar_->setParts(parts);
    Tint tint = ReadingTexts::pressureTint(m.pressure);
    pressure_->setText(QString::fromStdString(ReadingTexts::pressureName(m.pressure)));
    QPalette pal = pressure_->palette();
    pal.setColor(QPalette::WindowText, PanelLook::tint(tint));
    pressure_->setPalette(pal);
    pressureDot_->setColor(PanelLook::tint(tint));
    swap_->setText(QString::fromStdString(ReadingTexts::swapLine(m)));
}

}  // namespace tv
