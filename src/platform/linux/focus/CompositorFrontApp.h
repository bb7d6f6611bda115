#pragma once

#include <string>

#include "platform/FrontAppSource.h"

namespace tv::linux_os {

// The front window's pid from a Wayland compositor's own socket, asked at each call so the
// answer is never stale: sway (and i3) through GET_TREE, Hyprland through "j/activewindow".
class CompositorFrontApp : public FrontAppSource {
  public:
    enum class Protocol { i3, hyprland };

    CompositorFrontApp(Protocol protocol, std::string socket, std::int32_t self);

    std::vector<FrontAppCandidate> candidates() override { return {}; }
    std::optional<std::int32_t> frontPid() override;

  private:
    std::optional<std::string> ask();

    Protocol protocol_;
    std::string socket_;
    std::int32_t self_;
};

}  // namespace tv::linux_os
