#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/Date.h"

namespace tv {

// Finds TallyVane's newest crash report, the one the crash notice offers.
namespace Crashes {

struct Entry {
    std::string name;  // a file name in the folder; with `newest(since)`, the full path
    Date date;         // its modification time

    bool operator==(const Entry&) const = default;
};

// The folder crash reports are written into, worked out once.
const std::string& folder();

// Of the entries whose name, lower-cased, begins with "tallyvane-", whose name as it is ends
// with ".ips" and whose date is strictly later than `since`: the one with the latest date,
// the first listed among equal dates. Absent when none is left.
std::optional<Entry> newest(const std::vector<Entry>& entries, Date since);

// The same choice over the files in `in` (default: `folder()`), with the chosen file's
// full path. An unreadable folder has no reports; an item whose date cannot be read is
// skipped.
std::optional<Entry> newest(Date since, const std::string& in = folder());

}  // namespace Crashes

}  // namespace tv
