#pragma once

#include <memory>
#include <string>
#include <thread>

#include "platform/FrontAppSource.h"

namespace tv::linux_os {

// The front app on wlroots compositors (river, wayfire, labwc, ...) from the foreign-toplevel
// protocol: the app id of the toplevel in the activated state. The protocol tells no pid, so
// the app id is matched to a desktop entry and its row by whoever asks (`frontAppId`).
// A connection of its own, read on a thread of its own; what it says is kept until asked.
// TallyVane's own windows (their app id is its desktop id, in any case: XWayland windows
// carry its class name) leave the app before them in front while that app's window is open.
class ForeignToplevelFrontApp : public FrontAppSource {
  public:
    // Connects to `display` (a WAYLAND_DISPLAY name or an absolute socket path).
    explicit ForeignToplevelFrontApp(const std::string& display,
                                     const std::string& ownAppId = "tallyvane");
    ~ForeignToplevelFrontApp() override;
    ForeignToplevelFrontApp(const ForeignToplevelFrontApp&) = delete;
    ForeignToplevelFrontApp& operator=(const ForeignToplevelFrontApp&) = delete;

    std::vector<FrontAppCandidate> candidates() override { return {}; }
    // The activated toplevel's app id; absent when none is activated, it has no app id, or the
    // compositor went away.
    std::optional<std::string> frontAppId() override;
    // False when the compositor could not be reached or does not offer the protocol.
    bool available() const override;
    std::string describe() const override;

    // Whether the compositor at `display` offers the protocol.
    static bool offered(const std::string& display);

    struct State;

  private:
    void run();

    std::unique_ptr<State> state_;
    std::thread reader_;
};

}  // namespace tv::linux_os
