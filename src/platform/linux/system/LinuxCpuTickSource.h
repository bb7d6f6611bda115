#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/CpuTickSource.h"
#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

// Per-processor ticks from /proc/stat. The kernel's columns fold into four counters:
// user ← user, nice ← nice, system ← system + irq + softirq + steal, idle ← idle + iowait.
// Linux's iowait can step backwards, so each counter advances by the non-negative part of
// its change only: the counters handed on never run backwards.
class LinuxCpuTickSource : public CpuTickSource {
  public:
    explicit LinuxCpuTickSource(const std::string& root = "/");

    std::optional<CpuTicks> read() override;

  private:
    struct Core {
        int id = -1;
        std::array<std::uint64_t, 4> raw{};      // last folded kernel values
        std::array<std::uint64_t, 4> counted{};  // what has been handed on
    };

    ProcFile stat_;
    std::vector<Core> cores_;
    unsigned layout_ = 0;
};

}  // namespace tv::linux_os
