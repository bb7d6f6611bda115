#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tv::linux_os {

// The command that opens the notification settings of the desktop named in
// $XDG_CURRENT_DESKTOP (a colon-separated list such as "ubuntu:GNOME"): GNOME's control
// centre, KDE's system settings, XFCE's notification settings or Cinnamon's settings; the
// first whose program `installed` finds. Empty for another desktop or when none is installed.
std::vector<std::string> notificationSettingsCommand(
    std::string_view currentDesktop, const std::function<bool(const std::string&)>& installed);

// Whether an executable of that name is on $PATH.
bool onPath(const std::string& program);

}  // namespace tv::linux_os
