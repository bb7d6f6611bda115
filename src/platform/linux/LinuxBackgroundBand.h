#pragma once

#include <sys/types.h>

#include <map>
#include <string>

#include "platform/BackgroundBand.h"

namespace tv::linux_os {

// The background band on Linux, per thread: the idle I/O class (the previous class saved and
// given back), and the idle CPU policy (SCHED_IDLE) where TallyVane may undo it later —
// as root, with CAP_SYS_NICE, or with enough RLIMIT_NICE headroom, checked once.
class LinuxBackgroundBand : public BackgroundBand {
  public:
    explicit LinuxBackgroundBand(std::string root = "/");

    bool isLowered(std::int32_t pid) override;
    bool slow(std::int32_t pid) override;
    void follow(std::int32_t pid) override;
    void unslow(std::int32_t pid) override;
    std::string undoCommands(std::int32_t pid) const override;

    // The I/O priority of a thread as the kernel encodes it (class << 13 | level).
    static int ioPriority(pid_t tid);
    static int cpuPolicy(pid_t tid);

  private:
    // What a thread had before we moved it, and which of its settings we changed.
    struct Thread {
        int ioPriority = 0;
        int policy = 0;
        bool ioChanged = false;
        bool policyChanged = false;
    };

    void lowerThreads(std::int32_t pid, std::map<pid_t, Thread>& threads);

    std::string root_;
    bool cpuPolicy_ = false;
    std::map<std::int32_t, std::map<pid_t, Thread>> held_;
};

}  // namespace tv::linux_os
