#include <wayland-client.h>
#include <xcb/xcb.h>

#include <cstdlib>

#include "platform/Displays.h"

namespace tv::platform {

namespace {

bool namedInEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

}  // namespace

Displays reachableDisplays() {
    Displays displays;
    if (namedInEnvironment("DISPLAY")) {
        xcb_connection_t* x11 = xcb_connect(nullptr, nullptr);
        displays.x11 = xcb_connection_has_error(x11) == 0;
        xcb_disconnect(x11);
    }
    // Without WAYLAND_DISPLAY the client library would try "wayland-0"; the toolkit is told
    // the same environment, so only a named display counts.
    if (namedInEnvironment("WAYLAND_DISPLAY")) {
        if (wl_display* wayland = wl_display_connect(nullptr)) {
            displays.wayland = true;
            wl_display_disconnect(wayland);
        }
    }
    return displays;
}

}  // namespace tv::platform
