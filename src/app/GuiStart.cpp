#include "app/GuiStart.h"

#include <sstream>

namespace tv {

GuiStart GuiStart::choose(const std::string& requested, platform::Displays displays) {
    GuiStart start;
    if (requested.empty()) {
        // In a Wayland session with XWayland the panel can be placed at the tray item only as
        // an X client; without XWayland it is a native (unplaced) window.
        start.possible = displays.x11 || displays.wayland;
        start.platform = displays.x11 ? "xcb" : displays.wayland ? "wayland" : "";
        return start;
    }
    // The toolkit tries a list ("wayland;xcb") in order; one entry that can work is enough.
    // Platforms without a display (offscreen, a framebuffer, a remote viewer) need none.
    std::istringstream list(requested);
    std::string entry;
    while (std::getline(list, entry, ';')) {
        bool usable = entry.rfind("xcb", 0) == 0       ? displays.x11
                      : entry.rfind("wayland", 0) == 0 ? displays.wayland
                                                       : !entry.empty();
        start.possible = start.possible || usable;
    }
    return start;
}

std::string GuiStart::noDesktopText() {
    return "tallyvane: the tray needs a desktop session and no display could be reached "
           "(DISPLAY, WAYLAND_DISPLAY); without one, 'tallyvane --check' prints a self-check "
           "and 'tallyvane --watch' prints the readings once a second\n";
}

}  // namespace tv
