#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/FrontAppSource.h"

namespace tv::linux_os {

// Which source tells the front window on this desktop: a Wayland compositor's own socket
// where one is announced (sway, Hyprland), else the X11 active window.
struct FrontAppChoice {
    enum class Kind { x11, sway, hyprland };
    Kind kind = Kind::x11;
    std::string socket;

    // Chosen from the session's environment; `exists` says whether a socket file exists.
    static FrontAppChoice of(const std::function<std::string(const char*)>& env,
                             const std::function<bool(const std::string&)>& exists);
    // What the self-check says about it.
    std::string describe() const;
    std::unique_ptr<FrontAppSource> make(std::int32_t self) const;
};

}  // namespace tv::linux_os
