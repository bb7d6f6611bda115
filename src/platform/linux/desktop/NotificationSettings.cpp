#include "platform/linux/desktop/NotificationSettings.h"

#include <unistd.h>

#include <cstdlib>

namespace tv::linux_os {

namespace {

using Command = std::vector<std::string>;

// The candidates for one desktop, in order of preference.
std::vector<Command> candidatesFor(std::string_view desktop) {
    if (desktop == "GNOME" || desktop == "Unity") {
        return {{"gnome-control-center", "notifications"}};
    }
    if (desktop == "KDE") {
        return {{"systemsettings", "kcm_notifications"},
                {"systemsettings5", "kcm_notifications"},
                {"kcmshell6", "kcm_notifications"},
                {"kcmshell5", "kcm_notifications"}};
    }
    if (desktop == "XFCE") {
        return {{"xfce4-notifyd-config"}};
    }
    if (desktop == "X-Cinnamon" || desktop == "Cinnamon") {
        return {{"cinnamon-settings", "notifications"}};
    }
    return {};
}

}  // namespace

Command notificationSettingsCommand(std::string_view currentDesktop,
                                    const std::function<bool(const std::string&)>& installed) {
    while (!currentDesktop.empty()) {
        std::size_t colon = currentDesktop.find(':');
        std::string_view name = currentDesktop.substr(0, colon);
        for (const Command& command : candidatesFor(name)) {
            if (installed(command.front())) {
                return command;
            }
        }
        if (colon == std::string_view::npos) {
            break;
        }
        currentDesktop.remove_prefix(colon + 1);
    }
    return {};
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        std::size_t colon = rest.find(':');
        std::string_view folder = rest.substr(0, colon);
        if (!folder.empty() && folder.front() == '/') {
            std::string file = std::string(folder) + "/" + program;
            if (access(file.c_str(), X_OK) == 0) {
                return true;
            }
        }
        if (colon == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(colon + 1);
    }
    return false;
}

}  // namespace tv::linux_os
