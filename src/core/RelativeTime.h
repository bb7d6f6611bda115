#pragma once

#include <string>

#include "core/Date.h"

namespace tv::Format {

// How long ago `at` was, seen at `now`, as a phrase in the largest whole unit, named where
// English names it: "now", "1 second ago", "2 minutes ago", "3 hours ago", "yesterday",
// "4 days ago", "last week", "2 weeks ago", "last month", "5 months ago", "last year",
// "2 years ago". A time after `now` (the clock was set back) reads "now".
std::string relativeTime(Date at, Date now);

}  // namespace tv::Format
