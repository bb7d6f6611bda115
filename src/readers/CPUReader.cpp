#include "readers/CPUReader.h"

namespace tv {

namespace {

// Counters wrap past 2^32; unsigned subtraction still gives the small true delta.
double delta(std::uint32_t now, std::uint32_t before) {
    return static_cast<double>(static_cast<std::uint32_t>(now - before));
}

}  // namespace

std::optional<CPUSample> CPUReader::read() {
    std::optional<CpuTicks> current = source_->read();
    if (!current) {
        return std::nullopt;
    }
    bool comparable = !previous_.empty() && previous_.size() == current->cores.size() &&
                      previousLayout_ == current->layout;
    std::optional<CPUSample> sample;
    if (comparable) {
        CPUSample s;
        s.cores.reserve(current->cores.size());
        double userSum = 0, systemSum = 0, totalSum = 0;
        for (std::size_t i = 0; i < current->cores.size(); ++i) {
            const CoreTicks& now = current->cores[i];
            const CoreTicks& before = previous_[i];
            double user = delta(now.user, before.user);
            double system = delta(now.system, before.system);
            double idle = delta(now.idle, before.idle);
            double nice = delta(now.nice, before.nice);
            double total = user + system + idle + nice;
            s.cores.push_back(total > 0 ? (user + nice + system) / total : 0.0);
            userSum += user + nice;
            systemSum += system;
            totalSum += total;
        }
        if (current->ids.size() == current->cores.size()) {
            s.ids = current->ids;
        }
        if (totalSum > 0) {
            s.user = userSum / totalSum;
            s.system = systemSum / totalSum;
            sample = std::move(s);
        }
    }
    previous_ = std::move(current->cores);
    previousLayout_ = current->layout;
    return sample;
}

}  // namespace tv
