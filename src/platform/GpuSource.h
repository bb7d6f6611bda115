#pragma once

#include <optional>

namespace tv {

// How busy the graphics processors are, 0...1 (the busiest of them); absent when none can be
// read.
class GpuSource {
  public:
    virtual ~GpuSource() = default;
    virtual std::optional<double> read() = 0;
};

}  // namespace tv
