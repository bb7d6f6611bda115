#pragma once

#include <string>

namespace tv {

// Starts TallyVane when the user logs in. On Linux an XDG autostart entry.
class LoginItem {
  public:
    virtual ~LoginItem() = default;
    virtual bool enable(const std::string& program) = 0;
    virtual bool disable() = 0;
    virtual bool isEnabled() = 0;
};

}  // namespace tv
