#pragma once

#include <vector>

#include "core/FrontApp.h"

namespace tv {

// The frontmost application first, then the one owning the menu bar or panel, where the
// platform knows them. Empty when nothing is known.
class FrontAppSource {
  public:
    virtual ~FrontAppSource() = default;
    virtual std::vector<FrontAppCandidate> candidates() = 0;
};

}  // namespace tv
