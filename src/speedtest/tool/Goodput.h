#pragma once

#include <cstdint>
#include <vector>

namespace tv::netquality {

// One direction's goodput from its running byte count, sampled a few times a second: whole
// one-second intervals after a warm-up, their moving average over the last four, and whether
// that average has settled. The warm-up keeps out TCP's slow start and, for uploads, the bytes
// that only filled the socket's send buffer and had not yet crossed the link.
class Goodput {
  public:
    static constexpr double interval = 1.0;  // seconds
    static constexpr int window = 4;         // intervals in the moving average
    static constexpr double settled = 0.05;  // largest spread of a settled window

    explicit Goodput(double warmup = interval) : warmup_(warmup) {}

    // The byte count at `seconds` since the direction started; times only increase.
    void sample(double seconds, std::int64_t bytes);

    // Goodputs of the whole intervals after the warm-up so far, bits per second.
    std::vector<double> intervals() const;
    // Whether the last interval beat the one before it by more than `settled`: more
    // connections may still add throughput.
    bool growing() const;
    // Whether the last `window` intervals lie within `settled` of their largest.
    bool stable() const;
    // Bits per second over the last `window` intervals' time, counted from the latest sample;
    // a run shorter than its warm-up counts from its middle. 0 before two samples.
    double average() const;

  private:
    double bytesAt(double seconds) const;

    double warmup_;
    std::vector<std::pair<double, std::int64_t>> samples_;
};

}  // namespace tv::netquality
