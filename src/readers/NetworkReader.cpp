#include "readers/NetworkReader.h"

namespace tv {

NetworkRate NetworkReader::read() {
    std::optional<NetworkCounters> counters = source_->read();
    if (!counters) {
        return {};
    }
    double now = source_->uptime();
    NetworkRate rate;
    if (last_ && now > last_->at && counters->received >= last_->counters.received &&
        counters->sent >= last_->counters.sent) {
        double elapsed = now - last_->at;
        rate.down = static_cast<double>(counters->received - last_->counters.received) / elapsed;
        rate.up = static_cast<double>(counters->sent - last_->counters.sent) / elapsed;
    }
    last_ = Last{*counters, now};
    return rate;
}

}  // namespace tv
