#pragma once

#include <atomic>
#include <string>

#include "platform/FrontAppSource.h"

namespace tv::linux_os {

// The front window's pid from a Wayland compositor's own socket, asked at each call so the
// answer is never stale: sway (and i3) through GET_TREE, Hyprland through "j/activewindow".
// TallyVane's own windows leave the app before them in front while that app still has a
// window (opening the panel must not make the user's app look unknown).
class CompositorFrontApp : public FrontAppSource {
  public:
    enum class Protocol { i3, hyprland };

    CompositorFrontApp(Protocol protocol, std::string socket, std::int32_t self);

    std::vector<FrontAppCandidate> candidates() override { return {}; }
    std::optional<std::int32_t> frontPid() override;

  private:
    std::optional<std::string> ask(const std::string& hyprlandRequest);

    Protocol protocol_;
    std::string socket_;
    std::int32_t self_;
    std::atomic<std::int32_t> lastApp_{0};  // the last front pid not TallyVane's
};

}  // namespace tv::linux_os
