#include "core/History.h"

#include <cmath>

namespace tv {

void History::push(double value) {
    // NaN fails both comparisons; it is stored as 0 so a chart never draws it.
    double clamped = value > 1 ? 1.0 : (value > 0 ? value : 0.0);
    values_.push_back(clamped);
    if (capacity_ <= 0) {
        values_.clear();
        return;
    }
    auto excess = static_cast<std::ptrdiff_t>(values_.size()) - capacity_;
    if (excess > 0) {
        values_.erase(values_.begin(), values_.begin() + excess);
    }
}

}  // namespace tv
