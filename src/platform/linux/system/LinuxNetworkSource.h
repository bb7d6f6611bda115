#pragma once

#include <functional>
#include <string>
#include <unordered_map>

#include "platform/NetworkSource.h"
#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

// /proc/net/dev summed over the physical interfaces: those with a device behind them
// (/sys/class/net/X/device), of Ethernet type (1, which Wi-Fi shares), and not peer-to-peer
// links ("p2p-*"). Loopback, bridges, tunnels, VPNs and containers' veths never count.
class LinuxNetworkSource : public NetworkSource {
  public:
    using Clock = std::function<double()>;

    explicit LinuxNetworkSource(const std::string& root = "/", Clock clock = {});

    std::optional<NetworkCounters> read() override;
    double uptime() override;

    // Whether an interface counts; decided once per name (re-checked every few minutes).
    bool isPhysical(const std::string& name);

  private:
    std::string root_;
    Clock clock_;
    ProcFile dev_;
    std::unordered_map<std::string, bool> physical_;
    int reads_ = 0;
};

}  // namespace tv::linux_os
