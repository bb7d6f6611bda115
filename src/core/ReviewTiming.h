#pragma once

#include <optional>

#include "core/Date.h"

namespace tv {

// When the footer asks for a rating: a week after the first launch, again 30 days after the
// first "Not now", never after the second one or once a review was sent.
struct ReviewTiming {
    static constexpr double firstAskAfter = 7 * 86400;
    static constexpr double askAgainAfter = 30 * 86400;

    std::optional<Date> firstLaunch;  // absent: use starts now
    int sentStars = 0;                // "reviewStars"
    int notNow = 0;                   // "reviewNotNow"
    double notNowAt = 0;              // "reviewNotNowAt", seconds since 1970; 0 = never

    bool askDue(Date now) const;
};

}  // namespace tv
