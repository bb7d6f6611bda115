#pragma once

#include <memory>
#include <optional>
#include <string>

namespace tv {

// The desktop's installed applications as the panel needs them: an app's icon, and the
// desktop's own system monitor.
class DesktopApps {
  public:
    virtual ~DesktopApps() = default;
    // The icon an application path names: a theme icon name or an image file; absent when
    // it names none.
    virtual std::optional<std::string> iconOf(const std::string& appPath) = 0;
    // The installed system monitor's application path; absent when none is installed.
    virtual std::optional<std::string> systemMonitor() = 0;
    // Starts the application at this path; false when it could not be started.
    virtual bool launch(const std::string& appPath) = 0;
};

namespace platform {

// The applications installed for this session's user (their own and the system's).
std::unique_ptr<DesktopApps> desktopApps();

}  // namespace platform

}  // namespace tv
