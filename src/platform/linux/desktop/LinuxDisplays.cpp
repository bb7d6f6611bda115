#include <wayland-client.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

#include "platform/Displays.h"

namespace tv::platform {

namespace {

bool namedInEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

std::string resources(xcb_connection_t* x11, int screenNumber) {
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x11));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        return {};
    }
    // 64 KiB of text: far more than any desktop's resources.
    xcb_get_property_cookie_t cookie = xcb_get_property(
        x11, 0, screens.data->root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 16384);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(x11, cookie, nullptr);
    std::string text;
    if (reply && reply->format == 8) {
        text.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                    static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    }
    std::free(reply);
    return text;
}

}  // namespace

Displays reachableDisplays() {
    Displays displays;
    if (namedInEnvironment("DISPLAY")) {
        int screenNumber = 0;
        xcb_connection_t* x11 = xcb_connect(nullptr, &screenNumber);
        displays.x11 = xcb_connection_has_error(x11) == 0;
        if (displays.x11) {
            displays.x11Resources = resources(x11, screenNumber);
        }
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
