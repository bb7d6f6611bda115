#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/SystemInfo.h"
#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

// Load averages from /proc/loadavg; the chip from /proc/cpuinfo (or the device tree); the
// efficiency cores from the hybrid "cpu_atom" PMU, else from processors whose capacity or
// top frequency is well below the fastest one's; the boot time from /proc/stat's btime.
class LinuxSystemInfo : public SystemInfo {
  public:
    explicit LinuxSystemInfo(const std::string& root = "/");

    std::vector<double> loadAverages() override;
    std::string chip() override;
    std::vector<int> efficiencyCores() override;
    std::optional<Date> bootTime() override;

  private:
    std::string root_;
    ProcFile loadavg_;
};

// The processors of a kernel CPU list such as "0-3,8,10-11", ascending; empty when malformed.
std::vector<int> parseCpuList(std::string_view list);

}  // namespace tv::linux_os
