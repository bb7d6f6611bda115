#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/ProcessUsage.h"
#include "platform/ProcessSource.h"

namespace tv {

// Turns the process table into a short list of apps: one row per application with all its
// helpers folded in, or per stand-alone process, with its memory, its share of a core, its
// process count and pids, and whether it is the system's or a typed command.
//
// CPU figures exist from the second pass on. Identities are cached per process and worked
// out again every 20th pass.
class ProcessReader {
  public:
    static constexpr std::uint64_t longestIntervalNs = 90'000'000'000;
    static constexpr std::uint64_t smallestListedMemory = 10'485'760;  // listed when more
    static constexpr double smallestListedCPU = 0.5;                   // listed when at least
    static constexpr int identityLifetime = 20;

    // `demoHide` gives the comma-separated names to leave out (for demonstrations).
    explicit ProcessReader(std::unique_ptr<ProcessSource> source,
                           std::function<std::string()> demoHide = {});

    std::vector<ProcessUsage> read();

  private:
    struct Seen {
        std::uint64_t started = 0;
        std::uint64_t cpuNs = 0;
        ProcessIdentity identity;
        bool identified = false;
    };

    std::unique_ptr<ProcessSource> source_;
    std::function<std::string()> demoHide_;
    std::unordered_map<std::int32_t, Seen> seen_;
    std::uint64_t lastAt_ = 0;
    int calls_ = 0;
};

// Splits the "demoHide" setting at commas, dropping empty pieces.
std::vector<std::string> hiddenNames(const std::string& setting);

}  // namespace tv
