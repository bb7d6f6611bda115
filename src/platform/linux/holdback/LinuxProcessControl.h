#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/ProcessControl.h"

namespace tv::linux_os {

// SIGSTOP and SIGCONT through a pidfd, sent only after the start time in /proc/PID/stat
// (field 22) was found to match: once the pidfd is open the process it names cannot be
// confused with a later one. "Stopped" is state T (or t, traced).
//
// Groups are cgroup v2 groups (the unified hierarchy at /sys/fs/cgroup, or at
// /sys/fs/cgroup/unified beside v1 controllers), named by their path in it; one can be frozen
// where its cgroup.freeze is writable by us.
class LinuxProcessControl : public ProcessControl {
  public:
    explicit LinuxProcessControl(std::string root = "/") : root_(std::move(root)) {}

    bool stop(std::int32_t pid, std::uint64_t started) override;
    bool resume(std::int32_t pid, std::uint64_t started) override;
    std::optional<std::uint64_t> startedAt(std::int32_t pid) override;
    bool isStopped(std::int32_t pid) override;
    bool isTyped(std::int32_t pid) override;
    bool stopHasSideEffects(std::int32_t pid) override;
    std::optional<std::int32_t> parentOf(std::int32_t pid) override;
    // SIGTERM, the desktop's quit.
    bool askToQuit(std::int32_t pid, std::uint64_t started) override;
    std::string groupOf(std::int32_t pid) override;
    std::vector<std::int32_t> groupMembers(const std::string& group) override;
    bool isFrozen(const std::string& group) override;
    bool freeze(const std::string& group, bool frozen) override;
    std::string describePause() override;

    // Where the unified hierarchy is mounted; empty when there is none.
    std::string unifiedRoot() const;
    // The group's folder, for a well-formed group name; empty otherwise.
    std::string folderOf(const std::string& group) const;

  private:
    bool signal(std::int32_t pid, std::uint64_t started, int number);

    std::string root_;
};

// Starts the watchdog (`program`, by default this program itself) with fork, setsid and
// exec, so that a terminal's Ctrl-C or a closed terminal does not end it with TallyVane.
// A watchdog that is ended is reaped once it is gone, waiting for that no longer than
// `endingWaitMs`.
class LinuxWatchdogLauncher : public WatchdogLauncher {
  public:
    static constexpr int endingWaitMs = 100;

    explicit LinuxWatchdogLauncher(std::string program = "/proc/self/exe")
        : program_(std::move(program)) {}
    ~LinuxWatchdogLauncher() override;

    std::int32_t start(const std::vector<std::string>& arguments) override;
    void end(std::int32_t pid) override;
    Health health(std::int32_t pid) override;

  private:
    void reapEnded();

    std::string program_;
    std::set<std::int32_t> ending_;          // killed, not yet reaped
    std::map<std::int32_t, Health> reaped_;  // finished on their own, and how
};

}  // namespace tv::linux_os
