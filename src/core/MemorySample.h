#pragma once

#include <cstdint>

namespace tv {

// The memory breakdown at one moment, in bytes.
struct MemorySample {
    std::uint64_t total = 0;
    std::uint64_t app = 0;
    std::uint64_t wired = 0;
    std::uint64_t compressed = 0;
    std::uint64_t cached = 0;
    std::uint64_t swapUsed = 0;
    std::uint64_t swapTotal = 0;
    int pressure = 0;  // 1 normal, 2 warning, 4 critical; 0 when unknown

    // Memory in use wherever the program speaks of it.
    std::uint64_t used() const { return app + wired + compressed; }

    bool operator==(const MemorySample&) const = default;
};

}  // namespace tv
