#pragma once

#include <map>
#include <string>
#include <vector>

namespace tv::test {

// A private desktop started by tests/rig/desktop for one test suite: a virtual X server, a
// session bus of its own and the pieces asked for ("wm", "tray", "notifications", "pulse").
// Stops everything it started when destroyed.
class DesktopRig {
  public:
    explicit DesktopRig(const std::vector<std::string>& pieces);
    ~DesktopRig();
    DesktopRig(const DesktopRig&) = delete;
    DesktopRig& operator=(const DesktopRig&) = delete;

    bool started() const { return started_; }
    const std::string& dir() const { return dir_; }
    // DISPLAY, DBUS_SESSION_BUS_ADDRESS, PULSE_SERVER as the rig set them.
    std::string env(const std::string& key) const;
    // A shell command prefixed with the rig's environment.
    std::string inRig(const std::string& command) const;

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
    std::map<std::string, std::string> env_;
    bool started_ = false;
};

}  // namespace tv::test
