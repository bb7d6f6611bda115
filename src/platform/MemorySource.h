#pragma once

#include "core/MemorySample.h"

namespace tv {

// The platform's memory breakdown and pressure level; parts it cannot read are 0.
class MemorySource {
  public:
    virtual ~MemorySource() = default;
    virtual MemorySample read() = 0;
};

}  // namespace tv
