#pragma once

#include <functional>
#include <memory>
#include <optional>

namespace tv {

// The desktop's look and feel preferences, where the desktop states them: light or dark, and
// whether it wants interfaces to animate.
class Appearance {
  public:
    virtual ~Appearance() = default;
    // True for dark, false for light; absent when the desktop has no preference.
    virtual std::optional<bool> prefersDark() = 0;
    // True when the desktop has animations turned off; absent when it does not say.
    virtual std::optional<bool> reducesMotion() = 0;
    // Called on the main thread whenever either preference changes.
    virtual void onChange(std::function<void()> changed) = 0;
};

namespace platform {

// The session's desktop's preference; needs the GUI application to exist.
std::unique_ptr<Appearance> appearance();

}  // namespace platform

}  // namespace tv
