#include "ui/panel/SlidingRows.h"

#include <cmath>

namespace tv {

struct SlidingRows::Slot {
    QWidget* row = nullptr;
    double offset = 0;
    SpringAnimation animation;

    explicit Slot(Spring spring) : animation(spring) {}
};

SlidingRows::SlidingRows(int rowHeight, int spacing, Spring spring, QWidget* parent)
    : QWidget(parent), rowHeight_(rowHeight), spacing_(spacing), spring_(spring) {}

SlidingRows::~SlidingRows() = default;

void SlidingRows::add(QWidget* row) {
    row->setParent(this);
    auto slot = std::make_unique<Slot>(spring_);
    slot->row = row;
    std::size_t index = slots_.size();
    connect(&slot->animation, &QVariantAnimation::valueChanged, this,
            [this, index](const QVariant& value) {
                slots_[index]->offset = value.toDouble();
                place(index);
            });
    slots_.push_back(std::move(slot));
    place(index);
}

void SlidingRows::slide(const std::vector<std::optional<std::size_t>>& from) {
    // Where each row is drawn now, read before any of them is moved.
    std::vector<double> drawnAt;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        drawnAt.push_back(static_cast<double>(i) * pitch() + slots_[i]->offset);
    }
    for (std::size_t i = 0; i < slots_.size() && i < from.size(); ++i) {
        if (from[i] == i) {
            continue;  // the same app as before: a slide under way goes on as it was
        }
        Slot& slot = *slots_[i];
        double home = static_cast<double>(i) * pitch();
        double start = from[i] && *from[i] < drawnAt.size() ? drawnAt[*from[i]] - home : 0.0;
        if (std::abs(start) < 0.5 && std::abs(slot.offset) < 0.5) {
            continue;
        }
        slot.animation.retarget(start, 0.0);
        // Where the spring has it now: its start, or home at once when motion is reduced.
        slot.offset = slot.animation.currentValue().toDouble();
        place(i);
    }
}

double SlidingRows::offset(std::size_t place) const {
    return place < slots_.size() ? slots_[place]->offset : 0.0;
}

void SlidingRows::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        place(i);
    }
}

void SlidingRows::place(std::size_t index) {
    const Slot& slot = *slots_[index];
    int y = static_cast<int>(std::lround(static_cast<double>(index) * pitch() + slot.offset));
    slot.row->setGeometry(0, y, width(), rowHeight_);
}

}  // namespace tv
