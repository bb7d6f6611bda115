#include "monitor/Sampler.h"

#include <algorithm>
#include <chrono>

#include "settings/SettingKeys.h"

namespace tv {

namespace {

// Readings before the demonstration loop starts recording.
constexpr int liveBeforeLoop = 4;
// With the panel closed and the machine calm, the app list is read once a minute for the
// stuck-app alert.
constexpr int readingsPerMinute = 60;

}  // namespace

Sampler::Sampler(std::unique_ptr<Readers> readers, std::unique_ptr<Settings> settings, Clock clock)
    : readers_(std::move(readers)),
      settings_(std::move(settings)),
      clock_(clock ? std::move(clock) : Clock(&Sampler::steadyNow)),
      loopLength_(settings_->integer(SettingKeys::demoLoop)) {}

Moment Sampler::steadyNow() {
    return std::chrono::time_point_cast<Seconds>(std::chrono::steady_clock::now());
}

bool Sampler::anyAlertOn() const {
    return settings_->isOn(SettingKeys::alertMemory) || settings_->isOn(SettingKeys::alertHeat) ||
           settings_->isOn(SettingKeys::alertStuckApp);
}

Snapshot Sampler::read() {
    Snapshot snapshot;
    snapshot.load = readers_->load();
    snapshot.load.resize(3, 0.0);
    if (calls_ % 2 == 0) {
        lastThermal_ = readers_->thermal();
    }
    int n = ++calls_;

    MemorySample memory = readers_->memory();
    ThermalState state = readers_->thermalState();
    int pressure = std::max(memory.pressure, settings_->integer(SettingKeys::demoPressure));
    state = std::max(state, settings_->integer(SettingKeys::demoThermal));
    bool worsened = lastPressure_ < pressure || lastThermalState_ < state;
    lastPressure_ = pressure;
    lastThermalState_ = state;
    bool strained = pressure > 1 || state > 1;

    bool wantsList = wantsProcesses_ ? (n % 2 == 0 || justOpened_ || worsened || strained)
                                     : (worsened || strained);
    wantsList = wantsList || holding_;
    if (!wantsList && n % readingsPerMinute == 1) {
        wantsList = anyAlertOn();
    }
    justOpened_ = false;

    snapshot.cpu = readers_->cpu();
    snapshot.gpu = readers_->gpu();
    snapshot.thermal = lastThermal_;
    snapshot.network = readers_->network();
    if (wantsList) {
        snapshot.processes = readers_->processes();
        snapshot.frontApp = readers_->frontApp();
    }
    if (strained || holding_) {
        snapshot.audible = readers_->audible();
    }
    snapshot.memory = memory;
    snapshot.memory.pressure = pressure;
    snapshot.thermalState = state;
    return snapshot;
}

std::vector<ProcessUsage> Sampler::readProcessesWith(const std::string& id) {
    std::set<std::string> kept = held_;
    kept.insert(id);
    readers_->keepListed(kept);
    std::vector<ProcessUsage> rows = readers_->processes();
    readers_->keepListed(held_);
    return rows;
}

Snapshot Sampler::sample() {
    Snapshot s = read();
    if (loopLength_ >= 1 && calls_ > liveBeforeLoop) {
        if (static_cast<int>(loop_.size()) < loopLength_) {
            loop_.push_back(s);
        }
        s = loop_[static_cast<std::size_t>((calls_ - liveBeforeLoop - 1) % loopLength_)];
    }
    s.at = clock_();
    return s;
}

}  // namespace tv
