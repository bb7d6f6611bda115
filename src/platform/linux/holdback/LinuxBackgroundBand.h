#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/BackgroundBand.h"
#include "platform/linux/holdback/LinuxProcessControl.h"
#include "platform/linux/holdback/SessionAutogroups.h"
#include "platform/linux/holdback/UserManagerCpuWeight.h"

namespace tv::linux_os {

// The background band on Linux, per thread: the idle I/O class (the previous class saved and
// given back), and the idle CPU policy (SCHED_IDLE) where TallyVane may undo it later —
// as root, with CAP_SYS_NICE, or with enough RLIMIT_NICE headroom, checked once.
//
// A group the app has to itself gets a CPU band an ordinary user can undo. Its own scope or
// service of the user's service manager is asked for CPUWeight idle (1 where the manager has
// no idle weight) through that manager, which owns those groups' files; otherwise a cgroup v2
// group whose cpu controller we may write is set to cpu.idle 1 where the kernel has it, else
// to cpu.weight 1. Where autogroups decide the share (see SessionAutogroups), a session whose
// every process belongs to the app has its autogroup set to nice 19: the only CPU band that
// weighs against an app in another session.
//
// Saved lines: "io <tid> <start> <previous I/O priority>", "cpu <tid> <start> <previous
// policy>", "weight <group> <previous cpu.weight> <previous cpu.idle, or -1>", "unit <unit>
// <previous CPUWeight> <CPUWeight we set>", "autogroup <pid> <start> <autogroup id>
// <previous nice> <nice we set>".
class LinuxBackgroundBand : public BackgroundBand {
  public:
    // `busAddress` is the session bus where the user's service manager answers; absent means
    // $DBUS_SESSION_BUS_ADDRESS.
    explicit LinuxBackgroundBand(std::string root = "/",
                                 std::optional<std::string> busAddress = std::nullopt);

    bool isLowered(std::int32_t pid) override;
    bool slow(std::int32_t pid) override;
    void follow(std::int32_t pid) override;
    void unslow(std::int32_t pid) override;
    void forget(std::int32_t pid) override;
    std::vector<std::string> saved(std::int32_t pid) const override;
    std::string slowGroup(const std::string& group) override;
    SessionsLowered slowSessions(const std::set<std::int32_t>& pids) override;
    bool slowsThreadsCpu() const override { return cpuPolicy_; }
    void restore(const std::string& line) override;
    std::string describe() const override;

    // Whether threads are given the idle CPU policy as well.
    bool lowersCpu() const { return cpuPolicy_; }

    // The I/O priority of a thread as the kernel encodes it (class << 13 | level).
    static int ioPriority(pid_t tid);
    static int cpuPolicy(pid_t tid);

  private:
    // What a thread had before we moved it, and which of its settings we changed.
    struct Thread {
        std::uint64_t started = 0;
        int ioPriority = 0;
        int policy = 0;
        bool ioChanged = false;
        bool policyChanged = false;
    };

    void lowerThreads(std::int32_t pid, std::map<pid_t, Thread>& threads);
    static std::vector<std::string> linesOf(const std::map<pid_t, Thread>& threads);
    void give(pid_t tid, const Thread& thread);
    std::uint64_t threadStarted(pid_t tid) const;

    void restoreGroup(std::string_view group, long weight, long idle);
    // Absent when the service manager cannot be asked about the unit or refuses the change.
    std::optional<std::string> slowUnit(const std::string& unit);
    void restoreUnit(std::string_view rest);
    void restoreAutogroup(std::string_view rest);
    std::string describeSessions() const;

    std::string root_;
    LinuxProcessControl groups_;
    SessionAutogroups sessions_;
    std::unique_ptr<UserManagerCpuWeight> manager_;
    bool cpuPolicy_ = false;
    std::map<std::int32_t, std::map<pid_t, Thread>> held_;
};

}  // namespace tv::linux_os
