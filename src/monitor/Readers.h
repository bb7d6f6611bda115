#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
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
    // The apps held back now (their row ids): listed by `processes` whatever little they use,
    // for as long as any of their processes runs. A held app starved by its own hold is still
    // held, not gone.
    virtual void keepListed(const std::set<std::string>& /*ids*/) {}
    // The app the user works in, worked out from the process behind the front window by the
    // app list's own rules (its application path, else its row id), listed or not. Absent when
    // nothing trustworthy says who is in front, or where the platform names the front app
    // itself instead (asked on the main thread).
    virtual std::optional<std::string> frontApp() { return std::nullopt; }
};

}  // namespace tv
