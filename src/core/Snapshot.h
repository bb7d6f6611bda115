#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/CPUSample.h"
#include "core/MemorySample.h"
#include "core/Moment.h"
#include "core/NetworkRate.h"
#include "core/ProcessUsage.h"
#include "core/ThermalSample.h"

namespace tv {

// Everything read in one tick.
struct Snapshot {
    // When it was taken, on the clock the rules run on (never set back or stepped ahead).
    Moment at;
    std::optional<CPUSample> cpu;
    std::vector<double> load{0, 0, 0};
    MemorySample memory;
    std::optional<double> gpu;
    ThermalSample thermal;
    ThermalState thermalState = 0;
    NetworkRate network;
    // Absent when the list was not read this tick, which is not the same as an empty list.
    std::optional<std::vector<ProcessUsage>> processes;
    std::set<std::int32_t> audible;
    // Read with the app list (the only ticks that decide): the app in front, absent when
    // unknown (Readers::frontApp).
    std::optional<std::string> frontApp;

    bool operator==(const Snapshot&) const = default;
};

}  // namespace tv
