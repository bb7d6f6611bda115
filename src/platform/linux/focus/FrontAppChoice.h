#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/FrontAppSource.h"

namespace tv::linux_os {

// Which source tells the front window on this desktop: a Wayland compositor's own socket
// where one is announced (sway, Hyprland), our script inside KWin when a Wayland session's
// KWin is on the session bus, our extension inside GNOME Shell when a Wayland session's shell
// is, else the wlroots foreign-toplevel list where the compositor offers it, else the X11
// active window (which, in a Wayland session, is trusted only while an X client holds the
// focus).
struct FrontAppChoice {
    enum class Kind { x11, sway, hyprland, kwin, gnome, foreignToplevel };
    Kind kind = Kind::x11;
    std::string socket;  // the compositor's socket, or the Wayland display

    // Chosen from the session's environment; `exists` says whether a socket file exists,
    // `onBus` whether a name has an owner on the session bus, `offersForeignToplevel` whether
    // the compositor at a Wayland display offers that list.
    static FrontAppChoice of(
        const std::function<std::string(const char*)>& env,
        const std::function<bool(const std::string&)>& exists,
        const std::function<bool(const std::string&)>& onBus = {},
        const std::function<bool(const std::string&)>& offersForeignToplevel = {});
    // What the self-check says about it.
    std::string describe() const;
    std::unique_ptr<FrontAppSource> make(std::int32_t self) const;
};

// Whether a well-known name has an owner on this session's bus; false without a bus.
bool ownedOnSessionBus(const std::string& name);

}  // namespace tv::linux_os
