#include "core/RelativeTime.h"

#include <cmath>

namespace tv::Format {

namespace {

std::string ago(long long count, const char* unit) {
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s") + " ago";
}

}  // namespace

std::string relativeTime(Date at, Date now) {
    double seconds = secondsBetween(at, now);
    if (!std::isfinite(seconds) || seconds < 1) {
        return "now";
    }
    constexpr double minute = 60, hour = 3600, day = 86'400, week = 7 * day;
    constexpr double month = 30.436875 * day, year = 365.2425 * day;
    auto whole = [&](double unit) { return static_cast<long long>(std::floor(seconds / unit)); };
    if (seconds < minute) {
        return ago(whole(1), "second");
    }
    if (seconds < hour) {
        return ago(whole(minute), "minute");
    }
    if (seconds < day) {
        return ago(whole(hour), "hour");
    }
    if (seconds < week) {
        return whole(day) == 1 ? "yesterday" : ago(whole(day), "day");
    }
    if (seconds < month) {
        return whole(week) == 1 ? "last week" : ago(whole(week), "week");
    }
    if (seconds < year) {
        return whole(month) == 1 ? "last month" : ago(whole(month), "month");
    }
    return whole(year) == 1 ? "last year" : ago(whole(year), "year");
}

}  // namespace tv::Format
