#pragma once

#include <vector>

namespace tv {

// Processor use over the interval since the previous reading, as fractions 0...1.
struct CPUSample {
    std::vector<double> cores;  // one per logical processor, in the kernel's order
    double user = 0;            // user and nice ticks over all ticks
    double system = 0;          // system ticks over all ticks

    double total() const { return user + system; }

    bool operator==(const CPUSample&) const = default;
};

}  // namespace tv
