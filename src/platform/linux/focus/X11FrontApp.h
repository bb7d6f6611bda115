#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "platform/FrontAppSource.h"

struct xcb_connection_t;

namespace tv::linux_os {

// The front window's process on X11: the root window's _NET_ACTIVE_WINDOW, followed on
// PropertyNotify by a thread of its own rather than polled, and the process the X server saw
// create that window (X Resource extension), else the window's _NET_WM_PID.
//
// Nothing trustworthy means unknown, never the previous app: no active window, a window that
// names no process, a front window closed or hidden, a display that went away. TallyVane's
// own windows leave the app before
// them in front. In a Wayland session the X server sees only XWayland clients, so an X window
// counts as front only while it really holds the input focus (checked when asked).
class X11FrontApp : public FrontAppSource {
  public:
    // `display` as in $DISPLAY; the environment's when empty.
    X11FrontApp(std::int32_t self, const std::string& display = {}, bool waylandSession = false);
    ~X11FrontApp() override;
    X11FrontApp(const X11FrontApp&) = delete;
    X11FrontApp& operator=(const X11FrontApp&) = delete;

    std::vector<FrontAppCandidate> candidates() override { return {}; }
    // Any thread.
    std::optional<std::int32_t> frontPid() override;

    bool connected() const { return connection_ != nullptr; }
    bool available() const override { return connected(); }
    std::string describe() const override;

  private:
    void watch();
    void refresh();
    bool holdsFocus(std::uint32_t window);
    std::uint32_t frontWindow() const;

    std::int32_t self_;
    bool wayland_;
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t activeAtom_ = 0;
    std::uint32_t pidAtom_ = 0;
    int stop_[2] = {-1, -1};
    // The front window and its process, written together by the watching thread: the pid in
    // the high half, the window in the low half.
    std::atomic<std::uint64_t> front_{0};
    std::uint64_t lastApp_ = 0;      // the last front window not TallyVane's, packed the same way
    std::atomic<bool> lost_{false};  // the display went away
    std::thread thread_;
};

}  // namespace tv::linux_os
