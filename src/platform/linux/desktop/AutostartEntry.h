#pragma once

#include <string>

#include "platform/LoginItem.h"

namespace tv::linux_os {

// ~/.config/autostart/tallyvane.desktop (under $XDG_CONFIG_HOME when set), naming the
// program also as its TryExec= so that a desktop passes over the entry once the program is
// removed; switched off with Hidden=true, as the desktop's own settings do. An entry that a
// desktop's startup settings switched off with X-GNOME-Autostart-enabled=false counts as off too.
class AutostartEntry : public LoginItem {
  public:
    explicit AutostartEntry(std::string configHome = "");

    bool enable(const std::string& program) override;
    bool disable() override;
    bool isEnabled() override;
    bool follow(const std::string& program) override;

    // The program the entry starts (its Exec= line's first argument, unquoted); empty when
    // there is no entry.
    std::string program() const;

    std::string path() const { return folder_ + "/tallyvane.desktop"; }

  private:
    std::string folder_;
};

}  // namespace tv::linux_os
