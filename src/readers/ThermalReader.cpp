#include "readers/ThermalReader.h"

#include <algorithm>

namespace tv {

namespace {

std::optional<double> mean(const std::vector<double>& values) {
    double sum = 0;
    int count = 0;
    for (double v : values) {
        if (ThermalReader::plausible(v)) {
            sum += v;
            ++count;
        }
    }
    return count > 0 ? std::optional<double>(sum / count) : std::nullopt;
}

std::optional<double> hottest(const std::vector<double>& values) {
    std::optional<double> best;
    for (double v : values) {
        if (ThermalReader::plausible(v) && (!best || v > *best)) {
            best = v;
        }
    }
    return best;
}

}  // namespace

ThermalSample ThermalReader::read() {
    SensorReadings r = source_->read();
    ThermalSample sample;
    sample.cpu = mean(r.cpu);
    sample.cpuMax = hottest(r.cpuAll);
    sample.gpu = mean(r.gpu);
    if (r.battery && *r.battery > 0 && *r.battery < 80) {
        sample.battery = r.battery;
    }
    sample.fans = std::move(r.fans);
    return sample;
}

}  // namespace tv
