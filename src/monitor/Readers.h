#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "core/CPUSample.h"
#include "core/MemorySample.h"
#include "core/NetworkRate.h"
#include "core/ProcessUsage.h"
#include "core/ThermalSample.h"

namespace tv {

// Every reading the Sampler takes, one operation each. None fails: a reading that cannot be
// taken comes back absent, empty or zero.
class Readers {
  public:
    virtual ~Readers() = default;

    virtual std::vector<double> load() = 0;
    virtual std::optional<CPUSample> cpu() = 0;
    virtual MemorySample memory() = 0;
    virtual ThermalState thermalState() = 0;
    virtual std::optional<double> gpu() = 0;
    virtual NetworkRate network() = 0;
    virtual std::vector<ProcessUsage> processes() = 0;
    // The sensors are opened the first time this is called.
    virtual ThermalSample thermal() = 0;
    virtual std::set<std::int32_t> audible() = 0;
};

}  // namespace tv
