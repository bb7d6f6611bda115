#include "core/AlertRules.h"

#include "core/Culprits.h"

namespace tv {

namespace {

const std::string stuckPrefix = "stuck:";

}  // namespace

std::vector<AlertChange> AlertRules::update(int pressure, ThermalState thermal,
                                            const std::vector<ProcessUsage>& processes, bool fresh,
                                            Switches switches, Moment now) {
    std::vector<AlertChange> out;
    updateMemory(pressure, processes, switches.memory, now, out);
    updateHeat(thermal, processes, switches.heat, now, out);
    updateStuck(processes, fresh, switches.stuck, now, out);
    return out;
}

bool AlertRules::shouldPost(const std::string& id, int level, Moment now) const {
    auto sent = sent_.find(id);
    if (sent == sent_.end() || sent->second.level < level) {
        return true;
    }
    if (showing_.count(id) > 0) {
        return secondsBetween(sent->second.at, now) >= repeatInterval;
    }
    auto ended = endedAt_.find(id);
    return ended == endedAt_.end() || secondsBetween(ended->second, now) >= quietAfterEnding;
}

void AlertRules::post(AlertMessage message, int level, Moment now, std::vector<AlertChange>& out) {
    sent_[message.id] = Sent{now, level};
    showing_.insert(message.id);
    out.push_back(AlertChange::post(std::move(message)));
}

void AlertRules::withdraw(const std::string& id, Moment now, std::vector<AlertChange>& out) {
    if (showing_.erase(id) == 0) {
        return;
    }
    endedAt_[id] = now;
    out.push_back(AlertChange::withdraw(id));
}

void AlertRules::updateMemory(int pressure, const std::vector<ProcessUsage>& processes, bool on,
                              Moment now, std::vector<AlertChange>& out) {
    if (pressure < 2) {
        tightSince_.reset();
    } else if (!tightSince_) {
        tightSince_ = now;
    }
    int level = 0;
    if (on && pressure > 3) {
        level = 2;
    } else if (on && tightSince_ && secondsBetween(*tightSince_, now) >= tightMemoryLasts) {
        level = 1;
    }
    const std::string id = "memory";
    if (level == 0) {
        withdraw(id, now, out);
    } else if (shouldPost(id, level, now)) {
        post(memoryMessage(level == 2, usingMostMemory(processes), *words_), level, now, out);
    }
}

void AlertRules::updateHeat(ThermalState thermal, const std::vector<ProcessUsage>& processes,
                            bool on, Moment now, std::vector<AlertChange>& out) {
    int level = !on ? 0 : thermal == 3 ? 2 : thermal == 2 ? 1 : 0;
    const std::string id = "heat";
    if (level == 0) {
        withdraw(id, now, out);
    } else if (shouldPost(id, level, now)) {
        post(heatMessage(level == 2, workingHardest(processes, self_), *words_), level, now, out);
    }
}

void AlertRules::updateStuck(const std::vector<ProcessUsage>& processes, bool fresh, bool on,
                             Moment now, std::vector<AlertChange>& out) {
    // Only a list read this sample moves the counts; a reused one neither restarts nor
    // extends them.
    if (fresh) {
        ++freshLists_;
        for (const ProcessUsage& row : processes) {
            auto counted = busySince_.find(row.id);
            if (counted != busySince_.end() && row.cpu >= stillBusy) {
                counted->second.seen = freshLists_;
            } else if (row.cpu >= fullSpeed) {
                busySince_.insert_or_assign(row.id, BusyRun{now, freshLists_});
            }
        }
        std::erase_if(busySince_,
                      [this](const auto& entry) { return entry.second.seen != freshLists_; });
    }

    std::set<std::string> stuckIds;
    if (on) {
        for (const ProcessUsage& row : processes) {
            auto since = busySince_.find(row.id);
            if (since == busySince_.end() || secondsBetween(since->second.since, now) < stuckTime) {
                continue;
            }
            std::string id = stuckPrefix + row.id;
            stuckIds.insert(id);
            if (shouldPost(id, 1, now)) {
                post(stuckMessage(row), 1, now, out);
            }
        }
    }

    std::vector<std::string> ended;
    for (const std::string& id : showing_) {
        if (id.compare(0, stuckPrefix.size(), stuckPrefix) == 0 && stuckIds.count(id) == 0) {
            ended.push_back(id);
        }
    }
    for (const std::string& id : ended) {
        withdraw(id, now, out);
    }
}

}  // namespace tv
