#pragma once

#include <map>
#include <string>
#include <vector>

namespace tv::test {

// A private desktop started by tests/rig/desktop for one test suite: a virtual X server, a
// session bus of its own and the pieces asked for ("wm", "tray", "notifications", "pulse").
// Another rig script with the same start/stop contract may be named instead (tests/rig/sway:
// a Wayland desktop run as its own user). Stops everything it started when destroyed.
class DesktopRig {
  public:
    explicit DesktopRig(const std::vector<std::string>& pieces,
                        const std::string& rig = TALLYVANE_RIG);
    ~DesktopRig();
    DesktopRig(const DesktopRig&) = delete;
    DesktopRig& operator=(const DesktopRig&) = delete;

    bool started() const { return started_; }
    const std::string& dir() const { return dir_; }
    // DISPLAY, DBUS_SESSION_BUS_ADDRESS, PULSE_SERVER as the rig set them.
    std::string env(const std::string& key) const;
    // A shell command prefixed with the rig's environment.
    std::string inRig(const std::string& command) const;
    // The start of a command line ("env" and settings) that runs a program on the rig's
    // display and bus as a user whose home, config, data, state and runtime folders are
    // `home`, `home`/config, /data, /state and /run.
    std::vector<std::string> inHome(const std::string& home) const;
    // The program that runs a command as the desktop's user in its environment, where the rig
    // makes one (tests/rig/sway); it execs, so a process started through it has its pid.
    std::string asUser() const { return dir_ + "/as-user"; }
    // Why the rig did not start: the end of what it said.
    const std::string& failure() const { return failure_; }

    // Chooses the action with this key ("quit", "resume", "default") through the server's
    // menu, on the first notification offering it; returns what the menu was offered.
    std::string choose(const std::string& action) const;
    // What the server's menu offers now, choosing nothing.
    std::string menu() const;
    // Notifications the server shows now.
    int displayed() const;
    // Every notification shown so far: "id\ttitle\tbody" lines.
    std::string shown() const;

  private:
    std::string openMenu(const std::string& action) const;

    std::string dir_;
    std::string rig_;
    std::string failure_;
    std::map<std::string, std::string> env_;
    bool started_ = false;
};

}  // namespace tv::test
