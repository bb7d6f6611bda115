#pragma once

#include <vector>

namespace tv {

// Processor use over the interval since the previous reading, as fractions 0...1.
struct CPUSample {
    std::vector<double> cores;  // one per logical processor, in the kernel's order
    double user = 0;            // user and nice ticks over all ticks
    double system = 0;          // system ticks over all ticks
    // The kernel's number of each processor in `cores`, in the same order: with one offline
    // the numbers have a gap, so a position is not a number. Empty when the source does not
    // tell; then the position is the number.
    std::vector<int> ids;

    double total() const { return user + system; }

    bool operator==(const CPUSample&) const = default;
};

}  // namespace tv
