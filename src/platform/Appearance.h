#pragma once

#include <functional>
#include <optional>

namespace tv {

// The desktop's light or dark preference, where the desktop states one.
class Appearance {
  public:
    virtual ~Appearance() = default;
    // True for dark, false for light; absent when the desktop has no preference.
    virtual std::optional<bool> prefersDark() = 0;
    // Called on the main thread whenever the preference changes.
    virtual void onChange(std::function<void()> changed) = 0;
};

}  // namespace tv
