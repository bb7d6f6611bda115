#pragma once

#include <memory>

#include "core/MemorySample.h"
#include "platform/MemorySource.h"

namespace tv {

// The memory breakdown and pressure level, never absent: parts that cannot be read are 0.
class MemoryReader {
  public:
    explicit MemoryReader(std::unique_ptr<MemorySource> source) : source_(std::move(source)) {}

    // A reading whose parts disagree with each other is brought back within its invariants:
    // used memory never exceeds the total and the level is one of 0, 1, 2, 4.
    MemorySample read();

  private:
    std::unique_ptr<MemorySource> source_;
};

}  // namespace tv
