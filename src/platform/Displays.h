#pragma once

// Which of the desktop session's displays this process can reach. The tray program needs
// one; asking first lets it say so plainly instead of failing inside the toolkit.
namespace tv::platform {

struct Displays {
    bool x11 = false;      // the X server DISPLAY names (XWayland included) accepts us
    bool wayland = false;  // the compositor WAYLAND_DISPLAY names accepts us
};

// Connects to each display the environment names and lets go at once; a display the
// environment does not name counts as unreachable.
Displays reachableDisplays();

}  // namespace tv::platform
