#pragma once

#include <chrono>

namespace tv {

// An absolute time as seconds since 1970, with fractions. Rules take it as an argument
// and never read a clock themselves.
using Seconds = std::chrono::duration<double>;
using Date = std::chrono::time_point<std::chrono::system_clock, Seconds>;

inline Date dateFromSeconds(double sinceEpoch) {
    return Date(Seconds(sinceEpoch));
}

inline double secondsSinceEpoch(Date date) {
    return date.time_since_epoch().count();
}

// How many seconds pass from `from` to `to` (negative when `to` is earlier).
inline double secondsBetween(Date from, Date to) {
    return (to - from).count();
}

}  // namespace tv
