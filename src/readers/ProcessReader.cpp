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

std::size_t ProcessReader::slotOf(const std::string& key) {
    auto [slot, created] = slots_.try_emplace(key, groups_.size());
    if (created) {
        groups_.emplace_back();
    }
    return slot->second;
}

std::vector<ProcessUsage> ProcessReader::read() {
    ++calls_;
    bool forget = calls_ % identityLifetime == 0 || source_->identitiesStale();
    if (forget) {
        // Every identity is worked out again, so the rows' slots start afresh too.
        slots_.clear();
        groups_.clear();
    }

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

    const int pass = calls_;
    touched_.clear();
    members_.clear();

    for (std::int32_t pid : pids) {
        if (pid <= 0) {
            continue;
        }
        auto known = seen_.find(pid);
        if (known != seen_.end() && known->second.pass == pass) {
            continue;  // listed twice
        }
        std::optional<ProcessUse> use = source_->use(pid);
        if (!use) {
            continue;
        }
        if (known == seen_.end()) {
            known = seen_.try_emplace(pid).first;
        }
        Seen& process = known->second;
        // Only a process read in the previous pass, and the same process, has a figure to
        // compare with; a pid reused by a newcomer starts again.
        bool continuing =
            process.pass == pass - 1 && process.pass > 0 && process.started == use->started;
        double percent = 0;
        if (continuing && interval > 0 && use->cpuNs >= process.cpuNs) {
            percent = static_cast<double>(use->cpuNs - process.cpuNs) / interval * 100;
        }
        if (!continuing || forget) {
            process.identity = source_->identify(pid);
            process.slot = slotOf(process.identity.key);
        }
        process.started = use->started;
        process.cpuNs = use->cpuNs;
        process.pass = pass;
        process.percent = percent;
        if (!continuing) {
            process.demandPass = 0;
        }

        if (process.identity.foreign) {
            continue;  // only the user's own processes make apps
        }
        Group& group = groups_[process.slot];
        members_.push_back({pid, use->started, members_.size(), &process});
        if (group.pass != pass) {
            group = Group{&process.identity,  0, 0, 0, false, pass, members_.size() - 1,
                          members_.size() - 1};
            touched_.push_back(process.slot);
        } else {
            members_[group.lastMember].next = members_.size() - 1;
            group.lastMember = members_.size() - 1;
        }
        group.memory += use->footprint;
        group.cpu += percent;
        group.count += 1;
        group.typed = group.typed || process.identity.typed;
    }

    std::vector<ProcessUsage> rows = rowsOfThisPass(interval);
    std::erase_if(seen_, [pass](const auto& entry) { return entry.second.pass != pass; });
    source_->passDone();
    return rows;
}

std::optional<ProcessIdentity> ProcessReader::identityOf(std::int32_t pid) {
    if (auto known = seen_.find(pid); known != seen_.end() && known->second.pass == calls_) {
        return known->second.identity;
    }
    return source_->identifyOne(pid);
}

double ProcessReader::demandOf(const Group& group, int pass, double interval) {
    double demand = 0;
    for (std::size_t m = group.firstMember;; m = members_[m].next) {
        Seen& process = *members_[m].seen;
        double wanted = process.percent;
        if (auto now = source_->demandNs(members_[m].pid)) {
            // Threads that ended since take their share with them: never less than nothing.
            if (process.demandPass == pass - 1 && process.demandPass > 0 && interval > 0 &&
                *now >= process.demandNs) {
                wanted = static_cast<double>(*now - process.demandNs) / interval * 100;
            }
            process.demandNs = *now;
            process.demandPass = pass;
        }
        demand += wanted;
        if (members_[m].next == m) {
            break;
        }
    }
    return demand;
}

std::vector<ProcessUsage> ProcessReader::rowsOfThisPass(double interval) {
    std::vector<std::string> hidden =
        demoHide_ ? hiddenNames(demoHide_()) : std::vector<std::string>{};
    std::vector<ProcessUsage> rows;
    for (std::size_t slot : touched_) {
        const Group& group = groups_[slot];
        const ProcessIdentity& identity = *group.identity;
        if (!(group.memory > smallestListedMemory || group.cpu >= smallestListedCPU) &&
            (kept_.empty() || kept_.count(identity.key) == 0)) {
            continue;
        }
        bool hide = std::any_of(hidden.begin(), hidden.end(), [&](const std::string& prefix) {
            return identity.name.compare(0, prefix.size(), prefix) == 0;
        });
        if (hide) {
            continue;
        }
        ProcessUsage row;
        row.id = identity.key;
        row.name = identity.name;
        row.appPath = identity.app;
        row.memory = group.memory;
        row.cpu = group.cpu;
        // Only where the make-way rules might call the app busy.
        if (!identity.system && group.cpu >= demandMeasuredFromCPU) {
            row.demand = demandOf(group, group.pass, interval);
        }
        row.count = group.count;
        row.system = identity.system;
        row.typed = group.typed;
        row.pids.reserve(static_cast<std::size_t>(group.count));
        row.started.reserve(static_cast<std::size_t>(group.count));
        for (std::size_t m = group.firstMember;; m = members_[m].next) {
            row.pids.push_back(members_[m].pid);
            row.started.push_back(members_[m].started);
            if (members_[m].next == m) {
                break;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tv
