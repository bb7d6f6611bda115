#pragma once

#include <chrono>

#include "core/Date.h"

namespace tv {

// A point on a clock that only moves forward: it is never set back or stepped ahead with the
// wall clock and stands still while the machine sleeps. Everything that decides on elapsed
// time (how long trouble or calm has lasted, spacing between actions) runs on it; `Date` is
// only for what is shown or stored. A distinct type, so the two cannot be mixed up.
using Moment = std::chrono::time_point<std::chrono::steady_clock, Seconds>;

inline Moment momentFromSeconds(double seconds) {
    return Moment(Seconds(seconds));
}

// How many seconds pass from `from` to `to` (negative when `to` is earlier).
inline double secondsBetween(Moment from, Moment to) {
    return (to - from).count();
}

}  // namespace tv
