#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tv {

// Stopping and continuing other processes, and what the executor must know before it does.
//
// A process is named by its pid and its start time together: a pid can be reused by a later
// process, and every signal here reaches only the process that started at `started` (a start
// of 0 means the caller cannot say, and then the pid alone decides).
class ProcessControl {
  public:
    virtual ~ProcessControl() = default;

    virtual bool stop(std::int32_t pid, std::uint64_t started) = 0;
    virtual bool resume(std::int32_t pid, std::uint64_t started) = 0;
    // When the process now holding this pid started; absent when there is none.
    virtual std::optional<std::uint64_t> startedAt(std::int32_t pid) = 0;
    // Stopped now (by a signal or a debugger).
    virtual bool isStopped(std::int32_t pid) = 0;
    // A command a person typed at a shell prompt.
    virtual bool isTyped(std::int32_t pid) = 0;
    // Stopping it with a signal would have job-control side effects: its process group would
    // be hung up if it were orphaned while stopped, or a su/sudo/runuser wrapper above it
    // would stop along with it.
    virtual bool stopHasSideEffects(std::int32_t pid) = 0;
    // The parent's pid; absent when the process is gone.
    virtual std::optional<std::int32_t> parentOf(std::int32_t pid) = 0;
    // Freezing a group of processes as a whole, which has no job-control side effects: the
    // group the process runs in where we may freeze it (empty when there is none), the
    // processes in it now, whether it is frozen now, and freezing or thawing it.
    virtual std::string groupOf(std::int32_t pid) = 0;
    virtual std::vector<std::int32_t> groupMembers(const std::string& group) = 0;
    virtual bool isFrozen(const std::string& group) = 0;
    virtual bool freeze(const std::string& group, bool frozen) = 0;
    // How apps are paused on this machine, for the self-check.
    virtual std::string describePause() = 0;
    // The platform's polite request to end (not a forced kill); false when it could not be
    // delivered, or the pid now belongs to another process.
    virtual bool askToQuit(std::int32_t pid, std::uint64_t started) = 0;
};

// The child process that undoes every hold when TallyVane dies or stays stopped.
class WatchdogLauncher {
  public:
    enum class Health {
        working,   // running and watching
        stopped,   // someone stopped it: it cannot act
        released,  // it let everything go (its owner was stopped too long) and ended
        ended,     // gone for another reason (killed, or never started)
    };

    virtual ~WatchdogLauncher() = default;
    // Starts the watchdog with these arguments in a session of its own; returns its pid, or 0
    // on failure.
    virtual std::int32_t start(const std::vector<std::string>& arguments) = 0;
    // Ends a watchdog started here, even a stopped one, without waiting for it.
    virtual void end(std::int32_t pid) = 0;
    virtual Health health(std::int32_t pid) = 0;
};

}  // namespace tv
