#include "monitor/LiveReaders.h"

#include <algorithm>
#include <iterator>

#include "platform/Platform.h"
#include "settings/SettingKeys.h"

namespace tv {

LiveReaders::LiveReaders(std::unique_ptr<FrontAppSource> front)
    : cpu_(platform::cpuTickSource()),
      memory_(platform::memorySource()),
      processes_(platform::processSource(),
                 [this] {
                     return settings_.text(SettingKeys::demoHide).value_or(QString()).toStdString();
                 }),
      network_(platform::networkSource()),
      gpu_(platform::gpuSource()),
      audio_(platform::audioSource()),
      system_(platform::systemInfo()),
      thermalState_(platform::thermalStateSource()),
      front_(std::move(front)) {}

std::vector<LiveReaders::Unavailable> LiveReaders::unavailable() {
    std::vector<Unavailable> missing;
    thermal();
    if (!thermal_) {
        missing.push_back({"thermal", "no temperature sensor or fan can be read"});
    }
    if (!thermalState_->known()) {
        missing.push_back(
            {"thermalState", "no limits, trip points or throttling counters; reads as nominal"});
    }
    if (!gpu_) {
        missing.push_back({"gpu", "no GPU whose use can be read"});
    }
    if (!audio_->available()) {
        missing.push_back(
            {"audible", "no sound server is running (nothing counts as making sound)"});
    }
    return missing;
}

std::vector<double> LiveReaders::load() {
    return system_->loadAverages();
}

std::optional<CPUSample> LiveReaders::cpu() {
    return cpu_.read();
}

MemorySample LiveReaders::memory() {
    return memory_.read();
}

ThermalState LiveReaders::thermalState() {
    return thermalState_->read();
}

std::optional<double> LiveReaders::gpu() {
    return gpu_ ? gpu_->read() : std::nullopt;
}

NetworkRate LiveReaders::network() {
    return network_.read();
}

std::vector<ProcessUsage> LiveReaders::processes() {
    std::vector<ProcessUsage> rows = processes_.read();
    appRows_.clear();
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(appRows_),
                 [](const ProcessUsage& row) { return row.appPath.has_value(); });
    return rows;
}

ThermalSample LiveReaders::thermal() {
    if (!thermalOpened_) {
        thermalOpened_ = true;
        if (auto source = platform::thermalSource()) {
            thermal_.emplace(std::move(source));
        }
    }
    return thermal_ ? thermal_->read() : ThermalSample{};
}

// Sandboxed apps whose pid the sound server could not check count by their app's row.
std::set<std::int32_t> LiveReaders::audible() {
    std::set<std::int32_t> pids = audio_->pids();
    std::set<std::string> sandboxed = audio_->appIds();
    if (!sandboxed.empty()) {
        std::set<std::int32_t> rows = pidsOfApps(sandboxed, appRows_);
        pids.insert(rows.begin(), rows.end());
    }
    return pids;
}

std::optional<std::string> LiveReaders::appOf(std::int32_t pid) {
    auto identity = processes_.identityOf(pid);
    return identity ? identity->app : std::nullopt;
}

// Asked right after the app list is read, so the front process is usually known from that pass.
std::optional<std::string> LiveReaders::frontApp() {
    auto pid = front_ ? front_->frontPid() : std::nullopt;
    if (!pid) {
        // Known by its app id only: the app's row says which processes are it; an id that no
        // row has leaves the front app unknown.
        auto appId = front_ ? front_->frontAppId() : std::nullopt;
        std::set<std::int32_t> pids =
            appId ? pidsOfApps({*appId}, appRows_) : std::set<std::int32_t>{};
        if (pids.empty()) {
            return std::nullopt;
        }
        pid = *pids.begin();
    }
    auto identity = processes_.identityOf(*pid);
    if (!identity) {
        return std::nullopt;
    }
    return identity->app ? identity->app : std::optional<std::string>(identity->key);
}

std::string LiveReaders::frontAppMethod() const {
    return front_ ? front_->describe() : "none";
}

}  // namespace tv
