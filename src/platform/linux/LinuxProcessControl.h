#pragma once

#include <string>

#include "platform/ProcessControl.h"

namespace tv::linux_os {

// SIGSTOP and SIGCONT; "stopped" is state T (or t, traced) in /proc/PID/stat.
class LinuxProcessControl : public ProcessControl {
  public:
    explicit LinuxProcessControl(std::string root = "/") : root_(std::move(root)) {}

    bool stop(std::int32_t pid) override;
    bool resume(std::int32_t pid) override;
    bool exists(std::int32_t pid) override;
    bool isStopped(std::int32_t pid) override;
    bool isTyped(std::int32_t pid) override;
    std::optional<std::int32_t> parentOf(std::int32_t pid) override;
    // SIGTERM, the desktop's quit.
    bool askToQuit(std::int32_t pid) override;

  private:
    std::string root_;
};

// Starts the watchdog shell with fork, setsid and exec, so that a terminal's Ctrl-C or a
// closed terminal does not end it with TallyVane.
class LinuxWatchdogLauncher : public WatchdogLauncher {
  public:
    std::int32_t start(const std::string& script) override;
    void end(std::int32_t pid) override;
};

}  // namespace tv::linux_os
