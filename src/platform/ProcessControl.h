#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tv {

// Stopping and continuing other processes, and what the executor must know before it does.
class ProcessControl {
  public:
    virtual ~ProcessControl() = default;

    virtual bool stop(std::int32_t pid) = 0;
    virtual bool resume(std::int32_t pid) = 0;
    virtual bool exists(std::int32_t pid) = 0;
    // Stopped now (by a signal or a debugger).
    virtual bool isStopped(std::int32_t pid) = 0;
    // A command a person typed at a shell prompt.
    virtual bool isTyped(std::int32_t pid) = 0;
    // The parent's pid; absent when the process is gone.
    virtual std::optional<std::int32_t> parentOf(std::int32_t pid) = 0;
    // The platform's polite request to end (not a forced kill); false when it could not be
    // delivered.
    virtual bool askToQuit(std::int32_t pid) = 0;
};

// A child process that undoes every hold when TallyVane dies.
class WatchdogLauncher {
  public:
    virtual ~WatchdogLauncher() = default;
    // Starts `/bin/sh -c script` in a session of its own; returns its pid, or 0 on failure.
    virtual std::int32_t start(const std::string& script) = 0;
    // Ends a watchdog started here and reaps it.
    virtual void end(std::int32_t pid) = 0;
};

}  // namespace tv
