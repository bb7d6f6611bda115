#include "support/FakeReaders.h"

namespace tv::test {

std::vector<ProcessUsage> FakeReaders::processes() {
    ++machine_->processReads;
    return machine_->processes;
}

// Each sensor reading differs from the one before, so a repeated value shows a reused one.
ThermalSample FakeReaders::thermal() {
    ++machine_->thermalReads;
    ThermalSample sample;
    sample.cpu = 40.0 + machine_->thermalReads;
    return sample;
}

std::set<std::int32_t> FakeReaders::audible() {
    ++machine_->audioReads;
    return machine_->audible;
}

}  // namespace tv::test
