#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
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
// CPU figures exist from the second pass on; so does demand, for the rows it is measured for
// (from the second pass that measures them). Identities are cached per process and worked
// out again every 20th pass.
class ProcessReader {
  public:
    static constexpr std::uint64_t longestIntervalNs = 90'000'000'000;
    static constexpr std::uint64_t smallestListedMemory = 10'485'760;  // listed when more
    static constexpr double smallestListedCPU = 0.5;                   // listed when at least
    static constexpr int identityLifetime = 20;
    // A row of the user's that got at least this much (percent of one core) has its demand
    // measured as well; an idle app wants nothing, and the system's are never held.
    static constexpr double demandMeasuredFromCPU = 5.0;

    // `demoHide` gives the comma-separated names to leave out (for demonstrations).
    explicit ProcessReader(std::unique_ptr<ProcessSource> source,
                           std::function<std::string()> demoHide = {});

    std::vector<ProcessUsage> read();

    // Rows with these ids are listed whatever little they use, as long as any of their
    // processes is read (the apps held back, whose hold may starve them).
    void keepListed(std::set<std::string> ids) { kept_ = std::move(ids); }

    // Who a process is by the same rules as the rows, listed or not: from the latest pass when
    // it was read there, else worked out now. Absent when it cannot be read.
    std::optional<ProcessIdentity> identityOf(std::int32_t pid);

  private:
    // A process as of the pass that last read it.
    struct Seen {
        std::uint64_t started = 0;
        std::uint64_t cpuNs = 0;
        ProcessIdentity identity;
        std::size_t slot = 0;  // where its row gathers
        int pass = 0;
        double percent = 0;  // of CPU it got in this pass
        std::uint64_t demandNs = 0;
        int demandPass = 0;  // the pass that read `demandNs`; 0: never
    };
    // One row being gathered in this pass. Rows keep their slot from pass to pass, so
    // gathering needs neither string hashing nor allocation.
    struct Group {
        const ProcessIdentity* identity = nullptr;  // of the process that created the row
        std::uint64_t memory = 0;
        double cpu = 0;
        int count = 0;
        bool typed = false;
        int pass = 0;
        std::size_t firstMember = 0, lastMember = 0;
    };
    struct Member {
        std::int32_t pid;
        std::uint64_t started;
        std::size_t next;
        Seen* seen;  // valid during the pass
    };

    std::size_t slotOf(const std::string& key);
    // What the row's processes asked for in this pass, percent of one core: for each, its
    // measured demand where the previous pass measured it too, else what it got.
    double demandOf(const Group& group, int pass, double interval);
    std::vector<ProcessUsage> rowsOfThisPass(double interval);

    std::unique_ptr<ProcessSource> source_;
    std::function<std::string()> demoHide_;
    std::unordered_map<std::int32_t, Seen> seen_;
    std::unordered_map<std::string, std::size_t> slots_;
    std::vector<Group> groups_;
    std::vector<std::size_t> touched_;  // slots met in this pass, in first-met order
    std::vector<Member> members_;
    std::set<std::string> kept_;
    std::uint64_t lastAt_ = 0;
    int calls_ = 0;
};

// Splits the "demoHide" setting at commas, dropping empty pieces.
std::vector<std::string> hiddenNames(const std::string& setting);

}  // namespace tv
