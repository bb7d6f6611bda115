#include "monitor/LiveReaders.h"

#include "platform/Platform.h"
#include "settings/SettingKeys.h"

namespace tv {

LiveReaders::LiveReaders()
    : cpu_(platform::cpuTickSource()),
      memory_(platform::memorySource()),
      processes_(platform::processSource(),
                 [this] {
                     return settings_.text(SettingKeys::demoHide).value_or(QString()).toStdString();
                 }),
      system_(platform::systemInfo()),
      thermalState_(platform::thermalStateSource()) {}

std::vector<LiveReaders::Unavailable> LiveReaders::unavailable() {
    const std::string later = "not read on Linux yet";
    return {{"thermal", later}, {"thermalState", later + " (reads as nominal)"},
            {"gpu", later},     {"network", later},
            {"audible", later}, {"frontApp", later}};
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
    return std::nullopt;
}

NetworkRate LiveReaders::network() {
    return {};
}

std::vector<ProcessUsage> LiveReaders::processes() {
    return processes_.read();
}

ThermalSample LiveReaders::thermal() {
    return {};
}

std::set<std::int32_t> LiveReaders::audible() {
    return {};
}

}  // namespace tv
