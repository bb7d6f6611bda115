#include "feedback/Crashes.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/CrashReports.h"

namespace tv::Crashes {

namespace fs = std::filesystem;

const std::string& folder() {
    static const std::string computed = platform::crashReportFolder();
    return computed;
}

std::optional<Entry> newest(const std::vector<Entry>& entries, Date since) {
    const Entry* best = nullptr;
    for (const Entry& entry : entries) {
        std::string lower = entry.name.substr(0, 10);
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        bool ours = lower == "tallyvane-" && entry.name.size() >= 4 &&
                    entry.name.compare(entry.name.size() - 4, 4, ".ips") == 0;
        if (ours && entry.date > since && (best == nullptr || entry.date > best->date)) {
            best = &entry;
        }
    }
    return best != nullptr ? std::optional<Entry>(*best) : std::nullopt;
}

std::optional<Entry> newest(Date since, const std::string& in) {
    std::vector<Entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(in, error), end; !error && it != end; it.increment(error)) {
        std::error_code unreadable;
        fs::file_time_type written = it->last_write_time(unreadable);
        if (unreadable) {
            continue;
        }
        auto system = std::chrono::file_clock::to_sys(written);
        entries.push_back(
            {it->path().filename().string(), std::chrono::time_point_cast<Seconds>(system)});
    }
    auto chosen = newest(entries, since);
    if (chosen) {
        chosen->name = (fs::path(in) / chosen->name).string();
    }
    return chosen;
}

}  // namespace tv::Crashes
