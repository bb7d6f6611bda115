#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/MemoryPressureGauge.h"
#include "platform/MemorySource.h"
#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

// The memory breakdown from /proc/meminfo, swap from /proc/swaps, the compressor's share from
// zswap and zram, and the pressure level derived from the kernel's stall figures (PSI) and
// the memory still available.
class LinuxMemorySource : public MemorySource {
  public:
    using Clock = std::function<double()>;  // monotonic seconds

    explicit LinuxMemorySource(const std::string& root = "/", Clock clock = monotonicSeconds);

    MemorySample read() override;

  private:
    void findZramDevices();
    std::uint64_t zramUsed();

    std::string root_;
    Clock clock_;
    ProcFile meminfo_;
    ProcFile swaps_;
    ProcFile psi_;
    std::vector<std::unique_ptr<ProcFile>> zram_;
    int reads_ = 0;
    MemoryPressureGauge gauge_;
};

}  // namespace tv::linux_os
