#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv::linux_os {

// The kernel's scheduling group of a session, its autogroup (/proc/PID/autogroup). While
// autogroups are on, the processes in the root group of the cpu controller share the
// processors session by session first: a session's group gets the weight of its own nice
// value, whatever nice value or policy its threads have. A thread's idle policy then only
// weighs against the threads of its own session, never against an app in another one.
class SessionAutogroups {
  public:
    struct Group {
        std::uint64_t id = 0;  // 0: the default group, which is the root group itself
        int nice = 0;
    };

    explicit SessionAutogroups(std::string root = "/");

    // Autogroups are switched on (/proc/sys/kernel/sched_autogroup_enabled).
    bool enabled() const;
    // The process's share of the processors is its autogroup's: autogroups are on and the
    // process is in the cpu controller's root group (no cpu controller below the root, or a
    // cgroup v1 cpu path of "/").
    bool decides(std::int32_t pid) const;
    std::optional<Group> of(std::int32_t pid) const;
    // The processes of a session (by /proc/PID/stat): the members of that session's
    // autogroup, which a process leaves only by starting a session of its own.
    std::vector<std::int32_t> sessionMembers(int session) const;
    // Gives the process's autogroup this nice value. An unprivileged writer may change an
    // autogroup only every 100 ms, machine-wide; a refusal for that reason is tried again.
    bool setNice(std::int32_t pid, int nice) const;

    // "/autogroup-14 nice 0".
    static std::optional<Group> parse(std::string_view text);

  private:
    std::string procPath(std::int32_t pid, const char* file) const;
    bool cpuControllerBelowRoot() const;

    std::string root_;
};

}  // namespace tv::linux_os
