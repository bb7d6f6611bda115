#include <cstdlib>

#include "platform/Desktop.h"
#include "platform/linux/desktop/NotificationSettings.h"
#include "platform/linux/system/OsRelease.h"

namespace tv::platform {

std::string osVersion() {
    return linux_os::osVersion();
}

std::vector<std::string> notificationSettingsCommand() {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    return linux_os::notificationSettingsCommand(desktop ? desktop : "", linux_os::onPath);
}

}  // namespace tv::platform
