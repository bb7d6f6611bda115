// /proc/net/dev: the byte counters of the physical interfaces.
#include "FuzzRoot.h"
#include "platform/linux/system/LinuxNetworkSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tv::fuzz::FuzzRoot& root = tv::fuzz::FuzzRoot::get();
    static const bool prepared = [&] {
        root.write("sys/class/net/eth0/type", "1\n");
        root.write("sys/class/net/eth0/device/vendor", "0x8086\n");
        root.write("sys/class/net/lo/type", "772\n");
        return true;
    }();
    (void)prepared;
    root.write("proc/net/dev", tv::fuzz::asText(data, size));
    tv::linux_os::LinuxNetworkSource source(root.path(), [] { return 1.0; });
    auto first = source.read();
    auto second = source.read();
    tv::fuzz::check(
        first.has_value() == second.has_value() &&
            (!first || (first->received == second->received && first->sent == second->sent)),
        "the same counters read the same");
    return 0;
}
