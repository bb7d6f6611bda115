#pragma once

#include <optional>
#include <vector>

#include "core/ProcessUsage.h"
#include "core/SelfIdentity.h"

namespace tv {

// The first row with the largest memory; absent for an empty list.
std::optional<ProcessUsage> usingMostMemory(const std::vector<ProcessUsage>& rows);

// Among rows that are not TallyVane itself, the first with the largest CPU, and only when
// that CPU is at least 50 % of a core (an app under half a core is never blamed for heat).
std::optional<ProcessUsage> workingHardest(const std::vector<ProcessUsage>& rows,
                                           const SelfIdentity& self);

}  // namespace tv
