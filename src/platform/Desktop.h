#pragma once

#include <string>
#include <vector>

// Facts of the desktop that only the settings page and the rating form need.
namespace tv::platform {

// The operating system as a review reports it; on Linux the distribution's name and the
// kernel release.
std::string osVersion();

// The program and arguments that open the desktop's own notification settings; empty when
// this desktop has none that can be found.
std::vector<std::string> notificationSettingsCommand();

}  // namespace tv::platform
