#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tv::linux_os {

// Which of the user's processes belong to the graphical session TallyVane runs in. Only those
// are this desktop's apps: the user's SSH logins, tmux servers started there, another seat or
// another graphical login of the same user are not, and are never held back or quit from here.
//
// Decided in this order:
// 1. The login manager's session scope: a process in a session scope ("session-<id>.scope")
//    is this session's exactly when the id is ours.
// 2. Elsewhere (the user manager's app scopes, or machines without a login manager or
//    cgroups), by what the process started with, which it inherited from the session that
//    started it: a process that names this session's display (X or Wayland) is ours; one that
//    names only other displays is another graphical login's or seat's; one that carries
//    another SSH connection or another login session's id is that login's; a process that
//    names none of these is counted as ours (nothing says it is another's).
class SessionMembership {
  public:
    struct Facts {
        std::string loginSession;  // the login manager's session id; empty when none
        std::string display;       // X display, e.g. ":0"
        std::string wayland;       // Wayland display, e.g. "wayland-0"
        std::string ssh;           // SSH_CONNECTION of TallyVane's own session, if any
    };

    explicit SessionMembership(Facts facts) : facts_(std::move(facts)) {}
    // TallyVane's own session: its environment and its cgroup (`cgroup`, as in /proc).
    static SessionMembership ofThisProcess(std::string_view cgroup);
    // The same, with the cgroup read from /proc.
    static SessionMembership ofThisProcess();

    // From the process's cgroup path alone; absent when it does not say.
    std::optional<bool> byCgroup(std::string_view cgroup) const;
    // From the process's starting environment (the text of /proc/PID/environ).
    bool byEnvironment(std::string_view environ) const;

    // How it is decided here, for the self-check.
    std::string describe() const;

    const Facts& facts() const { return facts_; }

  private:
    Facts facts_;
};

// The id of the login manager's session scope a cgroup path lies in ("/user.slice/
// user-1000.slice/session-3.scope" gives "3"); empty outside one.
std::string loginSessionOf(std::string_view cgroup);

// The X display's number as a display name means it (":0", ":0.0", "unix:0" are "0"); empty
// for a display on another host or text that names none.
std::string displayNumber(std::string_view display);

}  // namespace tv::linux_os
