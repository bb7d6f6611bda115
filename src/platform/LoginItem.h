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
    // When the item is on but the program it starts is gone (TallyVane was moved or
    // installed elsewhere), points it at `program`; an item that is off or still starts an
    // existing program is left alone. True when nothing needed doing or the rewrite worked.
    virtual bool follow(const std::string& program) = 0;
};

}  // namespace tv
