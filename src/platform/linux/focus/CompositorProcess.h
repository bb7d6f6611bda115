#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tv::linux_os {

// The process that is the session's Wayland compositor: one that holds the Wayland display's
// listening socket (the compositor that made it, or the one a wrapper made it for and handed
// it to, as a wrapper that restarts its compositor does). A process that only took the
// compositor's bus name holds no such socket. Once found, a process is known by its pid and
// start time, so a later process given a gone compositor's pid is never taken for it.
class CompositorProcess {
  public:
    // `socket`: the Wayland display's socket path; `procRoot` where /proc is.
    explicit CompositorProcess(std::string socket, std::string procRoot = "/proc");
    // The socket of this session's Wayland display, from its environment; empty when none.
    static std::string socketOfThisSession();

    bool is(std::int32_t pid) const;

  private:
    struct Known {
        std::int32_t pid = 0;
        std::uint64_t started = 0;
    };
    std::optional<std::uint64_t> startOf(std::int32_t pid) const;
    bool holdsListeningSocket(std::int32_t pid) const;

    std::string socket_;
    std::string procRoot_;
    mutable std::optional<Known> known_;  // the compositor as last found
};

}  // namespace tv::linux_os
