#pragma once

#include <cstdint>
#include <optional>

namespace tv {

// Bytes received and sent so far over the machine's physical interfaces, summed.
struct NetworkCounters {
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
};

class NetworkSource {
  public:
    virtual ~NetworkSource() = default;
    // Absent when the counters cannot be read.
    virtual std::optional<NetworkCounters> read() = 0;
    // Seconds on a clock that only moves forward.
    virtual double uptime() = 0;
};

}  // namespace tv
