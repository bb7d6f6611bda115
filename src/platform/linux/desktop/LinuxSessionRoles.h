#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/SessionRoles.h"

struct xcb_connection_t;
class QString;

namespace tv::linux_os {

// Asks the desktop who plays the session's roles:
// - on X11, the owners of the selections WM_S<n> (window manager), _NET_WM_CM_S<n>
//   (compositor) and _NET_SYSTEM_TRAY_S<n> (tray host), their processes as the X server saw
//   them connect, and the X server itself (the peer of the connection to it);
// - on the session bus, the owners of the notification, status-notifier-watcher, portal and
//   screen-saver names, and the bus itself;
// - the processes listening on the Wayland display's socket and the sound server's sockets
//   (their peer credentials).
// Each answer is kept for a while: asking costs a few round trips.
class LinuxSessionRoles : public SessionRoles {
  public:
    struct Options {
        std::string display;               // X display; none when empty
        std::string busAddress;            // the session bus; none when empty
        std::vector<std::string> sockets;  // Unix sockets whose listener plays a role
        std::chrono::milliseconds refreshEvery{30'000};
        std::string compositorSocket{};  // the Wayland display's socket; none when empty
    };
    // The session TallyVane runs in, from its environment.
    static Options forThisSession();

    explicit LinuxSessionRoles(Options options);
    ~LinuxSessionRoles() override;
    LinuxSessionRoles(const LinuxSessionRoles&) = delete;
    LinuxSessionRoles& operator=(const LinuxSessionRoles&) = delete;

    const std::set<std::int32_t>& pids() override;
    const std::set<std::int32_t>& displayServers() override;
    std::string describe() override;

  private:
    QString connectionName() const;
    void refresh();
    void askX11(std::set<std::int32_t>& into);
    void askBus(std::set<std::int32_t>& into);
    void askSockets(std::set<std::int32_t>& into);

    Options options_;
    xcb_connection_t* x_ = nullptr;
    std::set<std::int32_t> pids_;
    std::set<std::int32_t> servers_;
    std::vector<std::string> answered_;  // which sources named someone, last time
    std::optional<std::chrono::steady_clock::time_point> askedAt_;
};

// The peer of a listening Unix socket: the process that listens on it. Never blocks.
std::optional<std::int32_t> listenerOf(const std::string& socketPath);

}  // namespace tv::linux_os
