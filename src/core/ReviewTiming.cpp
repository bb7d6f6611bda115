#include "core/ReviewTiming.h"

namespace tv {

bool ReviewTiming::askDue(Date now) const {
    if (sentStars != 0) {
        return false;
    }
    Date start = firstLaunch.value_or(now);
    if (secondsBetween(start, now) < firstAskAfter) {
        return false;
    }
    if (notNow <= 0) {
        return true;
    }
    if (notNow == 1) {
        // Without a stored time the first "Not now" lies in the distant past.
        return notNowAt <= 0 || secondsSinceEpoch(now) >= notNowAt + askAgainAfter;
    }
    return false;
}

}  // namespace tv
