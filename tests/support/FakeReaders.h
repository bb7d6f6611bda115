#pragma once

#include <memory>

#include "monitor/Readers.h"
#include "platform/FrontAppSource.h"
#include "platform/SystemInfo.h"

namespace tv::test {

// What the fake readers report and how often each was asked. Shared with the test, which
// keeps a pointer to it after the readers move into a Sampler.
struct FakeMachine {
    MemorySample memory{8ULL << 30, 2ULL << 30, 1ULL << 30, 1ULL << 30, 0, 0, 0, 1};
    ThermalState thermalState = 0;
    std::optional<CPUSample> cpu = CPUSample{{0.5, 0.5}, 0.3, 0.2, {}};
    std::vector<ProcessUsage> processes;
    std::set<std::int32_t> audible{42};
    std::optional<std::string> front;
    int thermalReads = 0;
    int processReads = 0;
    int audioReads = 0;
    int frontReads = 0;
};

class FakeReaders : public Readers {
  public:
    explicit FakeReaders(std::shared_ptr<FakeMachine> machine) : machine_(std::move(machine)) {}

    std::vector<double> load() override { return {1, 2, 3}; }
    std::optional<CPUSample> cpu() override { return machine_->cpu; }
    MemorySample memory() override { return machine_->memory; }
    ThermalState thermalState() override { return machine_->thermalState; }
    std::optional<double> gpu() override { return 0.25; }
    NetworkRate network() override { return {1000, 2000}; }
    std::vector<ProcessUsage> processes() override;
    ThermalSample thermal() override;
    std::set<std::int32_t> audible() override;
    std::optional<std::string> frontApp() override {
        ++machine_->frontReads;
        return machine_->front;
    }

  private:
    std::shared_ptr<FakeMachine> machine_;
};

// Fixed machine facts.
class FakeSystem : public SystemInfo {
  public:
    std::vector<double> loadAverages() override { return {0, 0, 0}; }
    std::string chip() override { return "Test Chip"; }
    std::vector<int> efficiencyCores() override { return {0, 1, 2, 3}; }
    std::optional<Date> bootTime() override { return dateFromSeconds(1000); }
};

// The front-app candidates the test sets, read through the pointer at every tick.
class FakeFront : public FrontAppSource {
  public:
    explicit FakeFront(std::vector<FrontAppCandidate>* now) : now_(now) {}
    std::vector<FrontAppCandidate> candidates() override { return *now_; }

  private:
    std::vector<FrontAppCandidate>* now_;
};

}  // namespace tv::test
