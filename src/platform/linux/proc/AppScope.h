#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tv::linux_os {

// The desktop-file ids a process's systemd unit may name, most likely first. Desktop sessions
// start each application in a unit of its own:
//   app[-<launcher>]-<id>-<random>.scope     app[-<launcher>]-<id>@<random>.service
//   app[-<launcher>]-<id>-autostart.service  app-flatpak-<id>-<random>.scope
//   snap.<snap>.<app>-<random>.scope         (the desktop id is "<snap>_<app>")
// "-" inside an id is escaped as "\x2d"; escapes are decoded. Empty for any other unit.
std::vector<std::string> desktopIdsOfUnit(std::string_view unit);

// The last component of the process's unified (or systemd-named) cgroup path, from the text
// of /proc/PID/cgroup.
std::string cgroupPath(std::string_view cgroupFile);
std::string lastComponent(std::string_view path);

// Decodes systemd's "\xNN" escapes.
std::string unescapeUnitName(std::string_view text);

}  // namespace tv::linux_os
