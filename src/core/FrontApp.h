#pragma once

#include <optional>
#include <string>
#include <vector>

#include <cstdint>

#include "core/ProcessUsage.h"

namespace tv {

// An application that may be the one the user works in.
struct FrontAppCandidate {
    bool isSelf = false;                 // one of TallyVane's own windows
    std::optional<std::string> appPath;  // absent when the app has no known location
};

// The front app from the candidates (the frontmost application first, then the one owning
// the menu bar): the first that is not TallyVane. A helper application nested inside another
// application's folder counts as the outer one ("/A.app/Contents/B.app/x" → "/A.app").
// Absent means "no change": nothing is known, or the app has no known location.
std::optional<std::string> chooseFrontApp(const std::vector<FrontAppCandidate>& candidates);

}  // namespace tv
