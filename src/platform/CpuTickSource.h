#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tv {

// One processor's cumulative tick counters. They only grow, wrapping past 2^32.
struct CoreTicks {
    std::uint32_t user = 0;
    std::uint32_t system = 0;
    std::uint32_t idle = 0;
    std::uint32_t nice = 0;

    bool operator==(const CoreTicks&) const = default;
};

struct CpuTicks {
    std::vector<CoreTicks> cores;  // in the order the kernel lists the processors
    // Changes whenever the set of processors changes (one went offline, another came up),
    // so counters are never paired across different processors.
    unsigned layout = 0;
    // The kernel's number of each processor in `cores`; empty when the source does not tell.
    std::vector<int> ids;
};

// Yields the per-processor tick counters; absent when they cannot be read.
class CpuTickSource {
  public:
    virtual ~CpuTickSource() = default;
    virtual std::optional<CpuTicks> read() = 0;
};

}  // namespace tv
