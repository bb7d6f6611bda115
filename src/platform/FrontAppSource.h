#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/FrontApp.h"

namespace tv {

// The frontmost application first, then the one owning the menu bar or panel, where the
// platform knows them. Empty when nothing is known.
class FrontAppSource {
  public:
    virtual ~FrontAppSource() = default;
    virtual std::vector<FrontAppCandidate> candidates() = 0;
    // Where the platform knows only the process behind the front window: its pid (never
    // TallyVane's own); absent when nothing trustworthy says who is in front. May be asked from
    // any thread.
    virtual std::optional<std::int32_t> frontPid() { return std::nullopt; }
    // Where the platform knows only the app of the front window, not its process: the app's
    // desktop id (its desktop entry's name without ".desktop"), matched to the app's row by
    // the caller. May be asked from any thread.
    virtual std::optional<std::string> frontAppId() { return std::nullopt; }
    // False when the platform cannot tell at all (no display to ask).
    virtual bool available() const { return true; }
    // Which source tells who is in front here, for the self-check.
    virtual std::string describe() const { return available() ? "the desktop" : "none"; }
};

}  // namespace tv
