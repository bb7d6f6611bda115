#pragma once

#include <string>

// Which of the desktop session's displays this process can reach. The tray program needs
// one; asking first lets it say so plainly instead of failing inside the toolkit.
namespace tv::platform {

struct Displays {
    bool x11 = false;      // the X server DISPLAY names (XWayland included) accepts us
    bool wayland = false;  // the compositor WAYLAND_DISPLAY names accepts us
    // The X server's resources (RESOURCE_MANAGER on the first screen's root window, where
    // desktops put Xft.dpi); empty without X11 or when none are set.
    std::string x11Resources;
};

// Connects to each display the environment names and lets go at once, reading the X server's
// resources on the way; a display the environment does not name counts as unreachable.
Displays reachableDisplays();

}  // namespace tv::platform
