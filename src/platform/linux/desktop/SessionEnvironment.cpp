#include "platform/linux/desktop/SessionEnvironment.h"

#include <cstdlib>

namespace tv::linux_os {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool isWaylandSession(const std::function<std::string(const char*)>& env) {
    return !env("WAYLAND_DISPLAY").empty() || env("XDG_SESSION_TYPE") == "wayland";
}

}  // namespace tv::linux_os
