#pragma once

#include <optional>
#include <vector>

namespace tv {

// A level that rises at once and falls one step at a time: each step down needs `calmSeconds`
// during which the level that still holds (the same signals judged by slightly easier exit
// thresholds) stays below the current one.
class LevelHysteresis {
  public:
    // `levels` in ascending order; the first is where it starts.
    LevelHysteresis(std::vector<int> levels, double calmSeconds)
        : levels_(std::move(levels)), calmSeconds_(calmSeconds), level_(levels_.front()) {}

    // `entered`: the level the signals reach; `held`: the level they still hold by the exit
    // thresholds. `now` is a monotonic time in seconds.
    int update(int entered, int held, double now);

  private:
    int below(int level) const;

    std::vector<int> levels_;
    double calmSeconds_;
    int level_;
    std::optional<double> belowSince_;
};

}  // namespace tv
