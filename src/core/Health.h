#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/ProcessUsage.h"
#include "core/SelfIdentity.h"
#include "core/ThermalSample.h"
#include "core/Vocabulary.h"

namespace tv {

enum class Health { ok, warning, critical };

// What is wrong, when something is.
enum class Trouble { memory, heat };

// The status card's verdict for one memory pressure level and thermal state.
struct Verdict {
    std::optional<Trouble> trouble;
    Health health = Health::ok;
    std::string title;

    bool operator==(const Verdict&) const = default;
};

Verdict verdictFor(int pressure, ThermalState state);

// Something in the menu bar should show in colour.
bool hasAlert(int pressure, ThermalState state);

// The app to blame for the trouble: the biggest for memory, the busiest for heat.
std::optional<ProcessUsage> culpritFor(std::optional<Trouble> trouble,
                                       const std::vector<ProcessUsage>& rows,
                                       const SelfIdentity& self);

// The line under the verdict's title; absent when all is well.
std::optional<std::string> healthDetail(std::optional<Trouble> trouble, int pressure,
                                        ThermalState state,
                                        const std::optional<ProcessUsage>& culprit,
                                        const Vocabulary& words);

}  // namespace tv
