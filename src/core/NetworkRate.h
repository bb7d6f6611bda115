#pragma once

namespace tv {

// Bytes per second received and sent since the previous reading; 0 when not known yet.
struct NetworkRate {
    double down = 0;
    double up = 0;

    bool operator==(const NetworkRate&) const = default;
};

}  // namespace tv
