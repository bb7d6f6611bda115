#include "platform/linux/system/LinuxSystemInfo.h"

#include <algorithm>
#include <map>

namespace tv::linux_os {

namespace {

constexpr std::string_view blanks(" \t\n\0", 4);

std::string_view trimmed(std::string_view text) {
    std::size_t start = text.find_first_not_of(blanks);
    if (start == std::string_view::npos) {
        return {};
    }
    std::size_t end = text.find_last_not_of(blanks);
    return text.substr(start, end - start + 1);
}

// The value of the first "key : value" line of /proc/cpuinfo with that key.
std::string cpuinfoValue(std::string_view text, std::string_view key) {
    std::string found;
    forEachLine(text, [&](std::string_view line) {
        std::size_t colon = line.find(':');
        if (!found.empty() || colon == std::string_view::npos ||
            trimmed(line.substr(0, colon)) != key) {
            return;
        }
        found = std::string(trimmed(line.substr(colon + 1)));
    });
    return found;
}

// Processors whose figure (capacity or top frequency) is below 0.8 × the largest figure.
std::vector<int> slowerProcessors(const std::map<int, double>& figures) {
    double fastest = 0;
    for (const auto& [cpu, figure] : figures) {
        fastest = std::max(fastest, figure);
    }
    std::vector<int> slower;
    for (const auto& [cpu, figure] : figures) {
        if (figure < 0.8 * fastest) {
            slower.push_back(cpu);
        }
    }
    return slower;
}

}  // namespace

std::vector<int> parseCpuList(std::string_view list) {
    list = trimmed(list);
    std::vector<int> cpus;
    while (!list.empty()) {
        std::size_t comma = list.find(',');
        std::string_view range = list.substr(0, comma);
        list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
        std::size_t dash = range.find('-');
        auto first = parseUnsigned(range.substr(0, dash));
        auto last = dash == std::string_view::npos ? first : parseUnsigned(range.substr(dash + 1));
        if (!first || !last || *last < *first || *last > 1u << 16) {
            return {};
        }
        for (auto cpu = *first; cpu <= *last; ++cpu) {
            cpus.push_back(static_cast<int>(cpu));
        }
    }
    std::sort(cpus.begin(), cpus.end());
    cpus.erase(std::unique(cpus.begin(), cpus.end()), cpus.end());
    return cpus;
}

LinuxSystemInfo::LinuxSystemInfo(const std::string& root)
    : root_(root), loadavg_(root + "/proc/loadavg") {}

std::vector<double> LinuxSystemInfo::loadAverages() {
    std::vector<double> load{0, 0, 0};
    auto text = loadavg_.read();
    if (!text) {
        return load;
    }
    std::string_view rest = *text;
    for (double& value : load) {
        auto parsed = parseDouble(nextField(rest));
        if (!parsed || *parsed < 0) {
            break;
        }
        value = *parsed;
    }
    return load;
}

std::string LinuxSystemInfo::chip() {
    if (auto cpuinfo = readFile(root_ + "/proc/cpuinfo")) {
        std::string name = cpuinfoValue(*cpuinfo, "model name");
        if (!name.empty()) {
            return name;
        }
    }
    if (auto model = readFile(root_ + "/proc/device-tree/model")) {
        std::string_view name = trimmed(*model);
        return std::string(name.substr(0, name.find('\0')));
    }
    return {};
}

std::vector<int> LinuxSystemInfo::efficiencyCores() {
    // Intel's hybrid parts list their efficiency ("atom") cores, usually the last ones.
    if (auto atoms = readFile(root_ + "/sys/devices/cpu_atom/cpus")) {
        return parseCpuList(*atoms);
    }
    const std::string cpus = root_ + "/sys/devices/system/cpu/";
    std::map<int, double> capacity, frequency;
    for (const std::string& name : listDirectory(cpus)) {
        if (name.size() < 4 || name.rfind("cpu", 0) != 0) {
            continue;
        }
        auto id = parseUnsigned(std::string_view(name).substr(3));
        if (!id || *id > 1u << 20) {
            continue;
        }
        int cpu = static_cast<int>(*id);
        if (auto text = readFile(cpus + name + "/cpu_capacity")) {
            if (auto value = parseUnsigned(trimmed(*text))) {
                capacity[cpu] = static_cast<double>(*value);
            }
        }
        if (auto text = readFile(cpus + name + "/cpufreq/cpuinfo_max_freq")) {
            if (auto value = parseUnsigned(trimmed(*text))) {
                frequency[cpu] = static_cast<double>(*value);
            }
        }
    }
    return slowerProcessors(capacity.empty() ? frequency : capacity);
}

std::optional<Date> LinuxSystemInfo::bootTime() {
    auto text = readFile(root_ + "/proc/stat");
    if (!text) {
        return std::nullopt;
    }
    std::optional<Date> boot;
    forEachLine(*text, [&](std::string_view line) {
        std::string_view rest = line;
        if (nextField(rest) != "btime") {
            return;
        }
        if (auto seconds = parseUnsigned(nextField(rest)); seconds && *seconds > 0) {
            boot = dateFromSeconds(static_cast<double>(*seconds));
        }
    });
    return boot;
}

}  // namespace tv::linux_os
