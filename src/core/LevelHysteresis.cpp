#include "core/LevelHysteresis.h"

namespace tv {

int LevelHysteresis::below(int level) const {
    int lower = levels_.front();
    for (int candidate : levels_) {
        if (candidate < level) {
            lower = candidate;
        }
    }
    return lower;
}

int LevelHysteresis::update(int entered, int held, double now) {
    if (entered > level_) {
        level_ = entered;
        belowSince_.reset();
        return level_;
    }
    if (held >= level_) {
        belowSince_.reset();
        return level_;
    }
    if (!belowSince_) {
        belowSince_ = now;
    } else if (now - *belowSince_ >= calmSeconds_) {
        level_ = below(level_);
        belowSince_ = level_ > held ? std::optional<double>(now) : std::nullopt;
    }
    return level_;
}

}  // namespace tv
