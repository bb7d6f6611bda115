#include "platform/linux/system/LinuxCpuTickSource.h"

#include <optional>

namespace tv::linux_os {

namespace {

struct CoreLine {
    int id;
    std::array<std::uint64_t, 4> folded;  // user, system, idle, nice
};

// Parses "cpuN user nice system idle iowait irq softirq steal ..."; absent for any other
// line. Older kernels have fewer columns; at least the first four must be there.
std::optional<std::optional<CoreLine>> parseLine(std::string_view line) {
    if (line.size() < 4 || line.substr(0, 3) != "cpu" || line[3] < '0' || line[3] > '9') {
        return std::optional<CoreLine>();
    }
    std::string_view rest = line.substr(3);
    auto id = parseUnsigned(nextField(rest));
    if (!id || *id > 1u << 20) {
        return std::nullopt;
    }
    std::array<std::uint64_t, 8> column{};
    int count = 0;
    for (; count < 8; ++count) {
        std::string_view field = nextField(rest);
        if (field.empty()) {
            break;
        }
        auto value = parseUnsigned(field);
        if (!value) {
            return std::nullopt;
        }
        column[count] = *value;
    }
    if (count < 4) {
        return std::nullopt;
    }
    CoreLine core{static_cast<int>(*id), {}};
    core.folded[0] = column[0];
    core.folded[1] = column[2] + column[5] + column[6] + column[7];
    core.folded[2] = column[3] + column[4];
    core.folded[3] = column[1];
    return std::optional<CoreLine>(core);
}

}  // namespace

LinuxCpuTickSource::LinuxCpuTickSource(const std::string& root) : stat_(root + "/proc/stat") {}

std::optional<CpuTicks> LinuxCpuTickSource::read() {
    auto text = stat_.read();
    if (!text) {
        return std::nullopt;
    }
    std::vector<CoreLine> lines;
    bool malformed = false;
    forEachLine(*text, [&](std::string_view line) {
        auto parsed = parseLine(line);
        if (!parsed) {
            malformed = true;
        } else if (*parsed) {
            lines.push_back(**parsed);
        }
    });
    if (malformed || lines.empty()) {
        return std::nullopt;
    }

    bool sameProcessors = lines.size() == cores_.size();
    for (std::size_t i = 0; sameProcessors && i < lines.size(); ++i) {
        sameProcessors = lines[i].id == cores_[i].id;
    }
    if (!sameProcessors) {
        cores_.assign(lines.size(), Core{});
        for (std::size_t i = 0; i < lines.size(); ++i) {
            cores_[i].id = lines[i].id;
            cores_[i].raw = lines[i].folded;
            cores_[i].counted = lines[i].folded;
        }
        ++layout_;
    }

    CpuTicks ticks;
    ticks.layout = layout_;
    ticks.cores.reserve(cores_.size());
    ticks.ids.reserve(cores_.size());
    for (std::size_t i = 0; i < cores_.size(); ++i) {
        Core& core = cores_[i];
        ticks.ids.push_back(core.id);
        for (std::size_t k = 0; k < 4; ++k) {
            std::uint64_t now = lines[i].folded[k];
            if (now > core.raw[k]) {
                core.counted[k] += now - core.raw[k];
            }
            core.raw[k] = now;
        }
        // Only the low 32 bits travel on; the reader's deltas wrap correctly.
        ticks.cores.push_back({static_cast<std::uint32_t>(core.counted[0]),
                               static_cast<std::uint32_t>(core.counted[1]),
                               static_cast<std::uint32_t>(core.counted[2]),
                               static_cast<std::uint32_t>(core.counted[3])});
    }
    return ticks;
}

}  // namespace tv::linux_os
