#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tv {

// What a pass needs of one process every time: cheap to read.
struct ProcessUse {
    std::uint64_t cpuNs = 0;      // cumulative user + system CPU time
    std::uint64_t footprint = 0;  // physical memory the process alone holds, bytes
    // Tells apart two processes that had the same pid at different times (0 where the
    // platform cannot say).
    std::uint64_t started = 0;
};

// Who a process is: the row it belongs to and how the rules must treat it. Worked out once
// per process and cached.
struct ProcessIdentity {
    std::string key;  // the row id: "app:" + application path, or "pid:" + pid
    std::string name;
    std::optional<std::string> app;
    bool system = false;
    bool typed = false;
    // Not the user's at all: another user's process, or a server the session runs on (its
    // display server, its compositor). It counts in the machine's totals but never in the
    // user's apps.
    bool foreign = false;

    bool operator==(const ProcessIdentity&) const = default;
};

// The process table of the platform.
class ProcessSource {
  public:
    virtual ~ProcessSource() = default;

    // Every process id, in the kernel's order.
    virtual std::vector<std::int32_t> pids() = 0;
    // A monotonic clock in nanoseconds, to measure the interval between passes.
    virtual std::uint64_t nowNs() = 0;
    // Absent when the process cannot be read now (it vanished, or it is not ours to read).
    virtual std::optional<ProcessUse> use(std::int32_t pid) = 0;
    // What the process's threads asked of the processors so far: the time they ran plus the
    // time they stood ready to run but waited for a free core, in nanoseconds, summed over
    // the threads alive now. It tells an app that wants more than it gets on a crowded
    // machine from one that wants no more. Read only for the few processes that need it (it
    // costs a file per thread); absent where the platform does not count waiting.
    virtual std::optional<std::uint64_t> demandNs(std::int32_t /*pid*/) { return std::nullopt; }
    // Works out who the process is. Called only for processes without a cached identity.
    virtual ProcessIdentity identify(std::int32_t pid) = 0;
    // Who one process is, asked outside a pass; absent when it cannot be read.
    virtual std::optional<ProcessIdentity> identifyOne(std::int32_t pid) { return identify(pid); }
    // Called at the end of each pass; the source may let go of processes it did not read.
    virtual void passDone() {}
    // True once after something identities depend on changed (an app's window appeared): the
    // next pass then works every identity out again.
    virtual bool identitiesStale() { return false; }
};

}  // namespace tv
