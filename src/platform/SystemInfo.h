#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/Date.h"

namespace tv {

// Load averages and the machine's fixed facts.
class SystemInfo {
  public:
    virtual ~SystemInfo() = default;

    // The 1, 5 and 15-minute load averages; zeros where the system gives none.
    virtual std::vector<double> loadAverages() = 0;
    // The processor's name for display; empty when unknown.
    virtual std::string chip() = 0;
    // The kernel's numbers of the logical processors that are efficiency cores, ascending;
    // empty when none or unknown. Which ones, not how many: on some machines they come first,
    // on others (Intel's hybrid parts) last.
    virtual std::vector<int> efficiencyCores() = 0;
    // When the machine started; absent when unknown.
    virtual std::optional<Date> bootTime() = 0;
};

}  // namespace tv
