#include "speedtest/tool/Goodput.h"

#include <algorithm>

namespace tv::netquality {

void Goodput::sample(double seconds, std::int64_t bytes) {
    if (samples_.empty() || seconds > samples_.back().first) {
        samples_.emplace_back(seconds, bytes);
    }
}

double Goodput::bytesAt(double seconds) const {
    // Linear between the samples around `seconds`; the samples are a few per interval.
    auto after = std::lower_bound(samples_.begin(), samples_.end(), seconds,
                                  [](const auto& s, double t) { return s.first < t; });
    if (after == samples_.begin()) {
        return static_cast<double>(samples_.front().second);
    }
    if (after == samples_.end()) {
        return static_cast<double>(samples_.back().second);
    }
    auto before = after - 1;
    double share = (seconds - before->first) / (after->first - before->first);
    return static_cast<double>(before->second) +
           share * static_cast<double>(after->second - before->second);
}

std::vector<double> Goodput::intervals() const {
    std::vector<double> result;
    if (samples_.empty()) {
        return result;
    }
    double last = samples_.back().first;
    for (double start = warmup_; start + interval <= last + 1e-9; start += interval) {
        result.push_back((bytesAt(start + interval) - bytesAt(start)) * 8 / interval);
    }
    return result;
}

bool Goodput::growing() const {
    std::vector<double> all = intervals();
    return all.size() >= 2 && all.back() > all[all.size() - 2] * (1 + settled);
}

bool Goodput::stable() const {
    std::vector<double> all = intervals();
    if (all.size() < static_cast<std::size_t>(window)) {
        return false;
    }
    auto [low, high] = std::minmax_element(all.end() - window, all.end());
    return *high > 0 && (*high - *low) <= *high * settled;
}

double Goodput::average() const {
    if (samples_.size() < 2) {
        return 0;
    }
    double end = samples_.back().first;
    double begin = std::max(end - window * interval, std::min(warmup_, end / 2));
    if (end - begin <= 0) {
        return 0;
    }
    return (bytesAt(end) - bytesAt(begin)) * 8 / (end - begin);
}

}  // namespace tv::netquality
