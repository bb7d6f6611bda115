#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace tv {

// The processes that play a part of the user's desktop session, as the desktop itself says:
// the window manager, the compositor, the tray host, the notification server, the display and
// sound servers and the like. They belong to the system: holding one back would freeze the
// screen or the desktop.
class SessionRoles {
  public:
    virtual ~SessionRoles() = default;
    // The role players as last asked; asks the desktop again when that answer has grown old,
    // so it may be called once per pass.
    virtual const std::set<std::int32_t>& pids() = 0;
    // Among them, the servers the session itself runs on: the X server of its display and its
    // Wayland compositor. Never one of the user's apps, not even to list. As asked with `pids`.
    virtual const std::set<std::int32_t>& displayServers() {
        static const std::set<std::int32_t> none;
        return none;
    }
    // How the roles are found here and what answered, for the self-check.
    virtual std::string describe() = 0;
};

}  // namespace tv
