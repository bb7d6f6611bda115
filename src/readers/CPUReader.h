#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "core/CPUSample.h"
#include "platform/CpuTickSource.h"

namespace tv {

// Processor use since the previous read, from cumulative tick counters.
class CPUReader {
  public:
    explicit CPUReader(std::unique_ptr<CpuTickSource> source) : source_(std::move(source)) {}

    // Absent on the first call, when the processors changed since the previous call, when
    // the counters cannot be read, and when no tick elapsed on any processor.
    std::optional<CPUSample> read();

  private:
    std::unique_ptr<CpuTickSource> source_;
    std::vector<CoreTicks> previous_;
    unsigned previousLayout_ = 0;
};

}  // namespace tv
