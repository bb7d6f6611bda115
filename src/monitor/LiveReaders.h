#pragma once

#include <memory>
#include <optional>
#include <string>

#include "monitor/Readers.h"
#include "platform/AudioSource.h"
#include "platform/FrontAppSource.h"
#include "platform/GpuSource.h"
#include "platform/SystemInfo.h"
#include "platform/ThermalStateSource.h"
#include "readers/CPUReader.h"
#include "readers/MemoryReader.h"
#include "readers/NetworkReader.h"
#include "readers/ProcessReader.h"
#include "readers/ThermalReader.h"
#include "settings/Settings.h"

namespace tv {

// The readers of the machine TallyVane runs on.
//
// The sensors are opened on the first thermal reading.
class LiveReaders : public Readers {
  public:
    // `front` tells which process is behind the front window; may be absent.
    explicit LiveReaders(std::unique_ptr<FrontAppSource> front = nullptr);

    // A reading this platform cannot give yet, and why.
    struct Unavailable {
        std::string reading;
        std::string why;
    };
    std::vector<Unavailable> unavailable();

    std::vector<double> load() override;
    std::optional<CPUSample> cpu() override;
    MemorySample memory() override;
    ThermalState thermalState() override;
    std::optional<double> gpu() override;
    NetworkRate network() override;
    std::vector<ProcessUsage> processes() override;
    ThermalSample thermal() override;
    std::set<std::int32_t> audible() override;
    void keepListed(const std::set<std::string>& ids) override { processes_.keepListed(ids); }
    std::optional<std::string> frontApp() override;

    // The application path of the app a process belongs to, by the app list's rules.
    std::optional<std::string> appOf(std::int32_t pid);
    // How the front app is found here, for the self-check.
    std::string frontAppMethod() const;

  private:
    CPUReader cpu_;
    MemoryReader memory_;
    Settings settings_;
    ProcessReader processes_;
    NetworkReader network_;
    std::unique_ptr<GpuSource> gpu_;
    std::unique_ptr<AudioSource> audio_;
    std::optional<ThermalReader> thermal_;
    bool thermalOpened_ = false;
    std::unique_ptr<SystemInfo> system_;
    std::unique_ptr<ThermalStateSource> thermalState_;
    std::unique_ptr<FrontAppSource> front_;
    std::vector<ProcessUsage> appRows_;  // the latest list's application rows
};

}  // namespace tv
