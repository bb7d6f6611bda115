#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "platform/FrontAppSource.h"

struct xcb_connection_t;

namespace tv::linux_os {

// The front window's process on X11: the root window's _NET_ACTIVE_WINDOW and that window's
// _NET_WM_PID, followed on PropertyNotify by a thread of its own rather than polled. TallyVane's
// own windows and windows that name no process leave the last value in place. Without a
// display (or on a Wayland session without XWayland focus information) nothing is known.
class X11FrontApp : public FrontAppSource {
  public:
    // `display` as in $DISPLAY; the environment's when empty.
    X11FrontApp(std::int32_t self, const std::string& display = {});
    ~X11FrontApp() override;
    X11FrontApp(const X11FrontApp&) = delete;
    X11FrontApp& operator=(const X11FrontApp&) = delete;

    std::vector<FrontAppCandidate> candidates() override { return {}; }
    std::optional<std::int32_t> frontPid() override;

    bool connected() const { return connection_ != nullptr; }
    bool available() const override { return connected(); }

  private:
    void watch();
    void refresh();

    std::int32_t self_;
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t activeAtom_ = 0;
    std::uint32_t pidAtom_ = 0;
    int stop_[2] = {-1, -1};
    std::atomic<std::int32_t> pid_{0};
    std::thread thread_;
};

}  // namespace tv::linux_os
