#pragma once

#include "core/Date.h"

namespace tv {

// One internet speed test: throughputs in bits per second, ping in milliseconds.
struct SpeedResult {
    double down = 0;
    double up = 0;
    double ping = 0;
    Date at;

    bool operator==(const SpeedResult&) const = default;
};

}  // namespace tv
