#pragma once

#include <vector>

namespace tv {

// The bounded series behind a live chart: the most recent values, oldest first, each 0...1.
class History {
  public:
    explicit History(int capacity = 62) : capacity_(capacity) {}

    void push(double value);

    const std::vector<double>& values() const { return values_; }
    int capacity() const { return capacity_; }

    bool operator==(const History&) const = default;

  private:
    std::vector<double> values_;
    int capacity_;
};

}  // namespace tv
