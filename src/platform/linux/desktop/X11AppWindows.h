#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "platform/AppWindows.h"

struct xcb_connection_t;

namespace tv::linux_os {

// The window manager's list of application windows (_NET_CLIENT_LIST), each window's WM_CLASS
// and the process behind it as the X server saw it connect (else its _NET_WM_PID). Asked again
// at most every `refreshEvery`.
class X11AppWindows : public AppWindows {
  public:
    X11AppWindows(std::string display, std::chrono::milliseconds refreshEvery);
    ~X11AppWindows() override;
    X11AppWindows(const X11AppWindows&) = delete;
    X11AppWindows& operator=(const X11AppWindows&) = delete;

    const std::map<std::int32_t, std::vector<std::string>>& classesByPid() override;

  private:
    bool connected();
    void refresh();

    std::string display_;
    std::chrono::milliseconds refreshEvery_;
    xcb_connection_t* x_ = nullptr;
    std::uint32_t clientList_ = 0;  // the atom, once interned
    std::map<std::int32_t, std::vector<std::string>> classes_;
    std::optional<std::chrono::steady_clock::time_point> askedAt_;
};

}  // namespace tv::linux_os
