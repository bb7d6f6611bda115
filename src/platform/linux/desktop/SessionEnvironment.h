#pragma once

#include <functional>
#include <string>

namespace tv::linux_os {

// A variable of this process's environment; empty when unset.
std::string environmentValue(const char* name);

// Whether the session's display server speaks Wayland (then X11 covers XWayland clients only),
// from the session's environment as `env` gives it.
bool isWaylandSession(const std::function<std::string(const char*)>& env = environmentValue);

}  // namespace tv::linux_os
