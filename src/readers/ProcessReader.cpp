#include "readers/ProcessReader.h"

#include <algorithm>

namespace tv {

ProcessReader::ProcessReader(std::unique_ptr<ProcessSource> source,
                             std::function<std::string()> demoHide)
    : source_(std::move(source)), demoHide_(std::move(demoHide)) {}

std::vector<std::string> hiddenNames(const std::string& setting) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= setting.size()) {
        std::size_t comma = setting.find(',', start);
        std::size_t end = comma == std::string::npos ? setting.size() : comma;
        if (end > start) {
            names.push_back(setting.substr(start, end - start));
        }
        start = end + 1;
    }
    return names;
}

std::vector<ProcessUsage> ProcessReader::read() {
    ++calls_;
    bool forget = calls_ % identityLifetime == 0;

    std::vector<std::int32_t> pids = source_->pids();
    if (pids.empty()) {
        return {};
    }
    std::uint64_t now = source_->nowNs();
    double interval = 0;
    if (lastAt_ != 0 && now > lastAt_ && now - lastAt_ <= longestIntervalNs) {
        interval = static_cast<double>(now - lastAt_);
    }
    lastAt_ = now;

    std::unordered_map<std::int32_t, Seen> seen;
    seen.reserve(pids.size());
    std::vector<std::int32_t> live;
    live.reserve(pids.size());
    std::unordered_map<std::string, ProcessUsage> groups;
    std::vector<std::string> order;  // first-met order, so results do not depend on hashing

    for (std::int32_t pid : pids) {
        if (pid <= 0 || seen.count(pid) > 0) {
            continue;
        }
        std::optional<ProcessUse> use = source_->use(pid);
        if (!use) {
            continue;
        }
        Seen now{use->started, use->cpuNs, {}, false};
        double percent = 0;
        auto before = seen_.find(pid);
        bool same = before != seen_.end() && before->second.started == use->started;
        if (same && interval > 0 && use->cpuNs >= before->second.cpuNs) {
            percent = static_cast<double>(use->cpuNs - before->second.cpuNs) / interval * 100;
        }
        if (same && before->second.identified && !forget) {
            now.identity = std::move(before->second.identity);
        } else {
            now.identity = source_->identify(pid);
        }
        now.identified = true;

        const ProcessIdentity& id = now.identity;
        auto [group, created] = groups.try_emplace(id.key);
        ProcessUsage& row = group->second;
        if (created) {
            row.id = id.key;
            row.name = id.name;
            row.appPath = id.app;
            row.system = id.system;
            order.push_back(id.key);
        }
        row.memory += use->footprint;
        row.cpu += percent;
        row.count += 1;
        row.pids.push_back(pid);
        row.typed = row.typed || id.typed;

        seen.emplace(pid, std::move(now));
        live.push_back(pid);
    }
    seen_ = std::move(seen);
    source_->keepOnly(live);

    std::vector<std::string> hidden =
        demoHide_ ? hiddenNames(demoHide_()) : std::vector<std::string>{};
    std::vector<ProcessUsage> rows;
    for (const std::string& key : order) {
        ProcessUsage& row = groups[key];
        if (!(row.memory > smallestListedMemory || row.cpu >= smallestListedCPU)) {
            continue;
        }
        bool hide = std::any_of(hidden.begin(), hidden.end(), [&](const std::string& prefix) {
            return row.name.compare(0, prefix.size(), prefix) == 0;
        });
        if (!hide) {
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

}  // namespace tv
