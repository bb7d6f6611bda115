#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/SelfIdentity.h"

namespace tv {

// One app: a desktop application with its helpers folded in, or one stand-alone process.
struct ProcessUsage {
    std::string id;  // "app:" + application path, or "pid:" + decimal pid
    std::string name;
    std::optional<std::string> appPath;
    std::uint64_t memory = 0;  // bytes
    double cpu = 0;            // percent of one core; may exceed 100
    int count = 0;
    std::vector<std::int32_t> pids;
    // When each of `pids` started, in the same order (empty where the platform cannot say):
    // a pid reused by a later process is not this app's.
    std::vector<std::uint64_t> started{};
    bool system = false;
    bool typed = false;
    // Percent of one core its processes ran or stood ready to run (what it wants, where `cpu`
    // is what it got); on a crowded machine an app gets less than it asks for. At most `cpu`
    // where the platform cannot tell (0 in rows made without it).
    double demand = 0;

    // What the app asks of the processors: its demand, and never less than what it got.
    double wanted() const { return demand > cpu ? demand : cpu; }

    // This row is TallyVane itself.
    bool isSelf(const SelfIdentity& self) const;

    bool operator==(const ProcessUsage&) const = default;
};

// The pids of the rows whose application has one of these ids (its desktop file's name without
// ".desktop", as sandboxed apps are known to the sound server).
std::set<std::int32_t> pidsOfApps(const std::set<std::string>& appIds,
                                  const std::vector<ProcessUsage>& rows);

}  // namespace tv
