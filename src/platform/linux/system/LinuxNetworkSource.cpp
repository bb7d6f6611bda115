#include "platform/linux/system/LinuxNetworkSource.h"

#include <sys/stat.h>

#include <algorithm>

namespace tv::linux_os {

namespace {

// Interfaces come and go (a dock, a USB adapter); what each name is gets looked at again now
// and then.
constexpr int recheckEvery = 300;

}  // namespace

LinuxNetworkSource::LinuxNetworkSource(const std::string& root, Clock clock)
    : root_(root), clock_(std::move(clock)), dev_(root + "/proc/net/dev") {}

double LinuxNetworkSource::uptime() {
    return clock_ ? clock_() : monotonicSeconds();
}

bool LinuxNetworkSource::isPhysical(const std::string& name) {
    auto known = physical_.find(name);
    if (known != physical_.end()) {
        return known->second;
    }
    std::string base = root_ + "/sys/class/net/" + name;
    struct stat info {};
    bool hasDevice = ::stat((base + "/device").c_str(), &info) == 0;
    auto type = readFile(base + "/type");
    std::string_view typeText = type ? std::string_view(*type) : std::string_view();
    while (!typeText.empty() && (typeText.back() == '\n' || typeText.back() == ' ')) {
        typeText.remove_suffix(1);
    }
    bool physical = hasDevice && typeText == "1" && name.rfind("p2p-", 0) != 0;
    physical_.emplace(name, physical);
    return physical;
}

// "  eth0: 1234 5 0 0 0 0 0 0 5678 9 ..." after two header lines: received bytes are the
// first figure, sent bytes the ninth.
std::optional<NetworkCounters> LinuxNetworkSource::read() {
    if (++reads_ % recheckEvery == 0) {
        physical_.clear();
    }
    auto text = dev_.read();
    if (!text) {
        return std::nullopt;
    }
    NetworkCounters total;
    bool any = false;
    forEachLine(*text, [&](std::string_view line) {
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            return;
        }
        std::string_view name = line.substr(0, colon);
        name.remove_prefix(std::min(name.find_first_not_of(' '), name.size()));
        std::string_view rest = line.substr(colon + 1);
        std::optional<unsigned long long> figures[9];
        for (auto& figure : figures) {
            figure = parseUnsigned(nextField(rest));
        }
        if (name.empty() || !figures[0] || !figures[8]) {
            return;
        }
        any = true;
        if (isPhysical(std::string(name))) {
            total.received += *figures[0];
            total.sent += *figures[8];
        }
    });
    if (!any) {
        return std::nullopt;
    }
    return total;
}

}  // namespace tv::linux_os
