#pragma once

#include <memory>
#include <optional>

#include "core/NetworkRate.h"
#include "platform/NetworkSource.h"

namespace tv {

// Bytes per second received and sent since the previous read. The first read, a read in
// which a counter went backwards (an interface was reset) and a read with no time passed
// give (0, 0) and start counting afresh.
class NetworkReader {
  public:
    explicit NetworkReader(std::unique_ptr<NetworkSource> source) : source_(std::move(source)) {}

    NetworkRate read();

  private:
    struct Last {
        NetworkCounters counters;
        double at = 0;
    };

    std::unique_ptr<NetworkSource> source_;
    std::optional<Last> last_;
};

}  // namespace tv
