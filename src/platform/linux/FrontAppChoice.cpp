#include "platform/linux/FrontAppChoice.h"

#include "platform/linux/CompositorFrontApp.h"
#include "platform/linux/ForeignToplevelFrontApp.h"
#include "platform/linux/X11FrontApp.h"

namespace tv::linux_os {

FrontAppChoice FrontAppChoice::of(
    const std::function<std::string(const char*)>& env,
    const std::function<bool(const std::string&)>& exists,
    const std::function<bool(const std::string&)>& offersForeignToplevel) {
    if (std::string sway = env("SWAYSOCK"); !sway.empty()) {
        return {Kind::sway, sway};
    }
    if (std::string instance = env("HYPRLAND_INSTANCE_SIGNATURE"); !instance.empty()) {
        // Newer releases keep the socket in the runtime folder, older ones under /tmp.
        std::string runtime = env("XDG_RUNTIME_DIR");
        std::string current = runtime + "/hypr/" + instance + "/.socket.sock";
        if (!runtime.empty() && exists(current)) {
            return {Kind::hyprland, current};
        }
        return {Kind::hyprland, "/tmp/hypr/" + instance + "/.socket.sock"};
    }
    if (std::string display = env("WAYLAND_DISPLAY");
        !display.empty() && offersForeignToplevel && offersForeignToplevel(display)) {
        return {Kind::foreignToplevel, display};
    }
    return {};
}

std::string FrontAppChoice::describe() const {
    switch (kind) {
        case Kind::sway:
            return "sway IPC at " + socket;
        case Kind::hyprland:
            return "Hyprland socket at " + socket;
        case Kind::foreignToplevel:
            return "wlroots foreign-toplevel list of " + socket;
        case Kind::x11:
            break;
    }
    return "X11 active window";
}

std::unique_ptr<FrontAppSource> FrontAppChoice::make(std::int32_t self) const {
    switch (kind) {
        case Kind::sway:
            return std::make_unique<CompositorFrontApp>(CompositorFrontApp::Protocol::i3, socket,
                                                        self);
        case Kind::hyprland:
            return std::make_unique<CompositorFrontApp>(CompositorFrontApp::Protocol::hyprland,
                                                        socket, self);
        case Kind::foreignToplevel:
            return std::make_unique<ForeignToplevelFrontApp>(socket);
        case Kind::x11:
            break;
    }
    return std::make_unique<X11FrontApp>(self, "", isWaylandSession());
}

}  // namespace tv::linux_os
