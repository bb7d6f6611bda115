#pragma once

#include <vector>

#include "core/CPUSample.h"

namespace tv {

// The per-core values split into efficiency and performance cores, each group in the
// kernel's order.
struct CoreGroups {
    std::vector<double> efficiency;
    std::vector<double> performance;

    bool operator==(const CoreGroups&) const = default;
};

// Sorts each of the sample's cores into its group by the processor's number
// (`CPUSample::ids`, else its position), so the "Efficiency" bars show the efficiency
// cores wherever the machine numbers them. `efficiencyIds` need not be sorted; numbers that
// are not in the sample are ignored.
CoreGroups groupCores(const CPUSample& sample, const std::vector<int>& efficiencyIds);

}  // namespace tv
