#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/ProcessUsage.h"
#include "core/SelfIdentity.h"
#include "platform/ProcessControl.h"

namespace tv {

// Finds the running application behind an app path in the current app list and asks it to
// quit the way the desktop does. Parts of the system and TallyVane itself are never offered.
class Apps {
  public:
    Apps(std::unique_ptr<ProcessControl> control, SelfIdentity self)
        : control_(std::move(control)), self_(std::move(self)) {}

    // The top-level processes still running of the listed app at `path`: the app's pids
    // whose parent is not one of them. Empty for an absent path, a part of the system,
    // TallyVane itself, or a path no listed app has.
    std::vector<std::int32_t> running(const std::optional<std::string>& path,
                                      const std::vector<ProcessUsage>& processes) const;

    // Asks each of them to quit — each only while its pid still holds the process the list
    // saw (same start time); true when at least one request was delivered.
    bool quit(const std::string& path, const std::vector<ProcessUsage>& processes);

  private:
    // Where in its row's pids the top-level processes are; `row` is set to the row.
    std::vector<std::size_t> topOf(const std::optional<std::string>& path,
                                   const std::vector<ProcessUsage>& processes,
                                   const ProcessUsage** row) const;

    std::unique_ptr<ProcessControl> control_;
    SelfIdentity self_;
};

}  // namespace tv
