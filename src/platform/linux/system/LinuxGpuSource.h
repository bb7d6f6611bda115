#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/GpuSource.h"
#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

class NvidiaLibrary;

// GPU use on Linux, the busiest of the machine's GPUs: amdgpu reports a busy percentage;
// Intel's i915 and xe report how long the GPU sat idle, so use is the rest of the interval;
// NVIDIA's through its management library, loaded only if it is installed.
class LinuxGpuSource : public GpuSource {
  public:
    using Clock = std::function<double()>;  // monotonic seconds

    explicit LinuxGpuSource(const std::string& root = "/", Clock clock = {}, bool nvidia = true);
    ~LinuxGpuSource() override;

    std::optional<double> read() override;

    bool empty() const;

  private:
    struct IdleCounter {
        std::unique_ptr<ProcFile> file;  // milliseconds spent idle
        std::optional<double> lastIdle;
        double lastAt = 0;
    };

    double now() const;

    Clock clock_;
    std::vector<std::unique_ptr<ProcFile>> busyPercent_;
    std::vector<IdleCounter> idle_;
    std::unique_ptr<NvidiaLibrary> nvidia_;
};

}  // namespace tv::linux_os
