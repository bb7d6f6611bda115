#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/DesktopApps.h"

namespace tv::linux_os {

// Installed applications from their desktop entries: the Icon key, the first installed of the
// desktops' system monitors, and starting an entry's Exec command line.
class LinuxDesktopApps : public DesktopApps {
  public:
    // `dataDirs` in order of precedence, as for desktop entries.
    explicit LinuxDesktopApps(std::vector<std::string> dataDirs);
    static std::unique_ptr<LinuxDesktopApps> forThisSession();

    std::optional<std::string> iconOf(const std::string& appPath) override;
    std::optional<std::string> systemMonitor() override;
    bool launch(const std::string& appPath) override;

    // The desktop-file ids of the system monitors, in order of preference.
    static const std::vector<std::string>& monitorIds();
    // A desktop entry's key in its [Desktop Entry] group; empty when absent.
    static std::string entryValue(const std::string& text, const std::string& key);
    // Exec split into arguments with the field codes (%f, %U, ...) dropped.
    static std::vector<std::string> execArguments(const std::string& exec);

  private:
    std::vector<std::string> dataDirs_;
};

}  // namespace tv::linux_os
