#include "platform/linux/system/LinuxMemorySource.h"

#include <algorithm>
#include <optional>

namespace tv::linux_os {

namespace {

// Devices come and go rarely; looking for new zram devices once a minute is enough.
constexpr int zramRescanEvery = 60;

std::uint64_t minus(std::uint64_t a, std::uint64_t b) {
    return a > b ? a - b : 0;
}

struct MemInfo {
    std::optional<std::uint64_t> total, free, available, buffers, cached, shmem, reclaimable, anon,
        zswap, swapTotal, swapFree;
};

// Values in /proc/meminfo are "Key:   12345 kB"; returned here in bytes.
MemInfo parseMemInfo(std::string_view text) {
    MemInfo info;
    struct Field {
        std::string_view key;
        std::optional<std::uint64_t> MemInfo::*slot;
    };
    static constexpr Field fields[] = {
        {"MemTotal", &MemInfo::total},
        {"MemFree", &MemInfo::free},
        {"MemAvailable", &MemInfo::available},
        {"Buffers", &MemInfo::buffers},
        {"Cached", &MemInfo::cached},
        {"Shmem", &MemInfo::shmem},
        {"SReclaimable", &MemInfo::reclaimable},
        {"AnonPages", &MemInfo::anon},
        {"Zswap", &MemInfo::zswap},
        {"SwapTotal", &MemInfo::swapTotal},
        {"SwapFree", &MemInfo::swapFree},
    };
    forEachLine(text, [&](std::string_view line) {
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            return;
        }
        std::string_view key = line.substr(0, colon);
        for (const Field& field : fields) {
            if (field.key != key) {
                continue;
            }
            std::string_view rest = line.substr(colon + 1);
            auto kib = parseUnsigned(nextField(rest));
            if (kib && *kib < (1ULL << 50)) {
                info.*field.slot = *kib * 1024;
            }
            return;
        }
    });
    return info;
}

// "some avg10=1.23 avg60=..." and "full avg10=...".
void parsePressure(std::string_view text, PressureSignals& signals) {
    forEachLine(text, [&](std::string_view line) {
        std::string_view rest = line;
        std::string_view kind = nextField(rest);
        std::string_view avg10 = nextField(rest);
        if (avg10.substr(0, 6) != "avg10=") {
            return;
        }
        auto value = parseDouble(avg10.substr(6));
        if (!value || *value < 0) {
            return;
        }
        if (kind == "some") {
            signals.someAvg10 = value;
        } else if (kind == "full") {
            signals.fullAvg10 = value;
        }
    });
}

// Swap devices other than zram ("Filename Type Size Used Priority", sizes in KiB). zram is
// compressed memory, counted with the compressor instead.
void parseSwaps(std::string_view text, MemorySample& sample) {
    bool header = true;
    forEachLine(text, [&](std::string_view line) {
        if (header) {
            header = false;
            return;
        }
        std::string_view rest = line;
        std::string_view name = nextField(rest);
        nextField(rest);  // type
        auto size = parseUnsigned(nextField(rest));
        auto used = parseUnsigned(nextField(rest));
        if (name.empty() || name.find("/zram") != std::string_view::npos || !size || !used ||
            *size >= (1ULL << 50) || *used > *size) {
            return;
        }
        sample.swapTotal += *size * 1024;
        sample.swapUsed += *used * 1024;
    });
}

}  // namespace

LinuxMemorySource::LinuxMemorySource(const std::string& root, Clock clock)
    : root_(root),
      clock_(std::move(clock)),
      meminfo_(root + "/proc/meminfo"),
      swaps_(root + "/proc/swaps"),
      psi_(root + "/proc/pressure/memory") {}

void LinuxMemorySource::findZramDevices() {
    zram_.clear();
    std::vector<std::string> names = listDirectory(root_ + "/sys/block");
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name.rfind("zram", 0) == 0) {
            zram_.push_back(std::make_unique<ProcFile>(root_ + "/sys/block/" + name + "/mm_stat"));
        }
    }
}

// Σ mem_used_total, the third column of each zram device's mm_stat.
std::uint64_t LinuxMemorySource::zramUsed() {
    std::uint64_t used = 0;
    for (auto& device : zram_) {
        auto text = device->read();
        if (!text) {
            continue;
        }
        std::string_view rest = *text;
        nextField(rest);
        nextField(rest);
        auto value = parseUnsigned(nextField(rest));
        if (value && *value < (1ULL << 50)) {
            used += *value;
        }
    }
    return used;
}

MemorySample LinuxMemorySource::read() {
    if (reads_++ % zramRescanEvery == 0) {
        findZramDevices();
    }
    MemorySample sample;
    if (auto text = swaps_.read()) {
        parseSwaps(*text, sample);
    }
    auto text = meminfo_.read();
    if (!text) {
        return sample;
    }
    MemInfo info = parseMemInfo(*text);
    if (!info.total || *info.total == 0) {
        return sample;
    }
    std::uint64_t total = *info.total;
    std::uint64_t shmem = info.shmem.value_or(0);
    sample.total = total;
    sample.app = std::min(total, info.anon.value_or(0) + shmem);
    sample.cached = minus(info.cached.value_or(0), shmem) + info.buffers.value_or(0) +
                    info.reclaimable.value_or(0);
    sample.compressed = std::min(minus(total, sample.app), info.zswap.value_or(0) + zramUsed());
    // A torn or bogus file may claim more cache than there is memory; the parts shown must
    // still add up to no more than the total.
    sample.cached = std::min(sample.cached, total - sample.app - sample.compressed);
    std::uint64_t inUse = minus(total, info.free.value_or(0));
    sample.wired = minus(inUse, sample.app + sample.cached + sample.compressed);

    PressureSignals signals;
    if (auto psi = psi_.read()) {
        parsePressure(*psi, signals);
    }
    std::uint64_t available = info.available.value_or(info.free.value_or(0) + sample.cached);
    signals.available = std::min(1.0, static_cast<double>(available) / static_cast<double>(total));
    std::uint64_t swapTotal = info.swapTotal.value_or(0);
    if (swapTotal > 0) {
        signals.swapFree = std::min(
            1.0, static_cast<double>(info.swapFree.value_or(0)) / static_cast<double>(swapTotal));
    }
    sample.pressure = gauge_.update(signals, clock_());
    return sample;
}

}  // namespace tv::linux_os
