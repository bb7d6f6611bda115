#include "app/GuiStart.h"

#include <cstdlib>
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

double GuiStart::xftDpi(const std::string& resources) {
    std::istringstream lines(resources);
    std::string line;
    double dpi = 0;
    while (std::getline(lines, line)) {
        static const std::string name = "Xft.dpi:";
        if (line.compare(0, name.size(), name) != 0) {
            continue;
        }
        const char* value = line.c_str() + name.size();
        char* end = nullptr;
        double read = std::strtod(value, &end);
        // The last setting of a resource is the one that holds.
        dpi = end != value && read > 0 ? read : 0;
    }
    return dpi;
}

bool GuiStart::framesInRequests(const std::string& x11Resources, const std::string& scaleFactor,
                                const std::string& screenScaleFactors) {
    if (!screenScaleFactors.empty()) {
        return false;
    }
    double dpi = xftDpi(x11Resources);
    double ratio = dpi > 0 ? dpi / 96 : 1;
    if (!scaleFactor.empty()) {
        char* end = nullptr;
        double factor = std::strtod(scaleFactor.c_str(), &end);
        if (end == scaleFactor.c_str() || !(factor > 0)) {
            return false;
        }
        ratio *= factor;
    }
    return ratio < 1.5;
}

std::string GuiStart::noDesktopText() {
    return "tallyvane: the tray needs a desktop session and no display could be reached "
           "(DISPLAY, WAYLAND_DISPLAY); without one, 'tallyvane --check' prints a self-check "
           "and 'tallyvane --watch' prints the readings once a second\n";
}

}  // namespace tv
