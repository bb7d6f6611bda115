#include "core/MakeWay.h"

#include <algorithm>
#include <unordered_map>

#include "core/Culprits.h"

namespace tv {

namespace {

bool isFront(const ProcessUsage& row, const std::optional<std::string>& front) {
    if (!front) {
        return false;
    }
    // On Linux an app without a known location is in front by its row id.
    return (row.appPath && *row.appPath == *front) || row.id == *front;
}

bool isAudible(const ProcessUsage& row, const std::set<std::int32_t>& audible) {
    if (audible.empty()) {
        return false;
    }
    return std::any_of(row.pids.begin(), row.pids.end(),
                       [&](std::int32_t pid) { return audible.count(pid) > 0; });
}

}  // namespace

bool MakeWay::isCandidate(const ProcessUsage& row, const std::optional<std::string>& front,
                          const std::set<std::int32_t>& audible) const {
    return !row.system && !isFront(row, front) && !isAudible(row, audible) && !row.isSelf(self_) &&
           excused_.count(row.id) == 0;
}

std::vector<Change> MakeWay::update(int pressure, ThermalState thermal,
                                    const std::vector<ProcessUsage>& processes,
                                    const std::optional<std::string>& front,
                                    const std::set<std::int32_t>& audible, Moment now) {
    std::vector<Change> out;

    // Ids are unique in a list; should two rows share one, the first stands for both.
    std::unordered_map<std::string_view, const ProcessUsage*> byId;
    byId.reserve(processes.size());
    for (const ProcessUsage& row : processes) {
        byId.emplace(row.id, &row);
    }

    // Refresh what is held with its latest row (new helpers reach the executor this way), or
    // let it go when it has quit, came to the front, makes sound or became part of the system.
    for (auto it = held_.begin(); it != held_.end();) {
        auto found = byId.find(it->first);
        const ProcessUsage* row = found == byId.end() ? nullptr : found->second;
        if (row != nullptr && !row->system && !isFront(*row, front) && !isAudible(*row, audible)) {
            it->second.app = *row;
            ++it;
            continue;
        }
        if (row != nullptr) {
            excused_.insert(it->first);
        }
        out.push_back(Change::release(it->first));
        it = held_.erase(it);
    }

    bool trouble = pressure > 1 || thermal == 2 || thermal == 3;
    if (!trouble) {
        excused_.clear();
        busySince_.clear();
        if (!calmSince_) {
            calmSince_ = now;
        }
        if (secondsBetween(*calmSince_, now) >= calmMinute) {
            said_ = false;
            releaseAfterCalm(now, out);
        }
        return out;
    }

    calmSince_.reset();
    std::vector<const ProcessUsage*> candidates;
    for (const ProcessUsage& row : processes) {
        if (byId[row.id] == &row && isCandidate(row, front, audible)) {
            candidates.push_back(&row);
        }
    }

    // An unbroken run of busy samples; a break starts the count again.
    ++samples_;
    for (const ProcessUsage* row : candidates) {
        if (row->cpu >= busyCPU) {
            auto [run, started] = busySince_.try_emplace(row->id, BusyRun{now, samples_});
            run->second.seen = samples_;
        }
    }
    std::erase_if(busySince_, [this](const auto& entry) { return entry.second.seen != samples_; });

    slowBusyApps(candidates, now, out);
    if (pressure > 3) {
        pauseBiggestApp(candidates, now, out);
    }
    return out;
}

void MakeWay::slowBusyApps(const std::vector<const ProcessUsage*>& candidates, Moment now,
                           std::vector<Change>& out) {
    std::vector<const ProcessUsage*> due;
    for (const ProcessUsage* row : candidates) {
        auto since = busySince_.find(row->id);
        if (since != busySince_.end() &&
            secondsBetween(since->second.since, now) >= busyTimeToSlow &&
            held_.count(row->id) == 0) {
            due.push_back(row);
        }
    }
    std::sort(due.begin(), due.end(),
              [](const ProcessUsage* a, const ProcessUsage* b) { return a->id < b->id; });
    for (const ProcessUsage* row : due) {
        held_[row->id] = Held{*row, Hold::slowed};
        out.push_back(Change::holding(*row, Hold::slowed));
    }
}

void MakeWay::pauseBiggestApp(const std::vector<const ProcessUsage*>& candidates, Moment now,
                              std::vector<Change>& out) {
    if (lastPause_ && secondsBetween(*lastPause_, now) < pauseSpacing) {
        return;
    }
    auto paused = std::count_if(held_.begin(), held_.end(), [](const auto& entry) {
        return entry.second.hold == Hold::paused;
    });
    if (paused >= mostPausedAtOnce) {
        return;
    }
    // The largest eligible app, the earlier row among equals. Typed commands are never paused.
    const ProcessUsage* biggest = nullptr;
    for (const ProcessUsage* row : candidates) {
        auto entry = held_.find(row->id);
        bool alreadyPaused = entry != held_.end() && entry->second.hold == Hold::paused;
        if (alreadyPaused || row->typed || row->memory < smallestAppToPause) {
            continue;
        }
        if (biggest == nullptr || row->memory > biggest->memory) {
            biggest = row;
        }
    }
    if (biggest == nullptr) {
        return;
    }
    lastPause_ = now;
    held_[biggest->id] = Held{*biggest, Hold::paused};
    out.push_back(Change::holding(*biggest, Hold::paused));
}

// One app at a time after the calm minute: paused ones first, then by id.
void MakeWay::releaseAfterCalm(Moment now, std::vector<Change>& out) {
    if (held_.empty() || (lastRelease_ && secondsBetween(*lastRelease_, now) < releaseSpacing)) {
        return;
    }
    auto next = std::find_if(held_.begin(), held_.end(),
                             [](const auto& entry) { return entry.second.hold == Hold::paused; });
    if (next == held_.end()) {
        next = held_.begin();
    }
    lastRelease_ = now;
    out.push_back(Change::release(next->first));
    held_.erase(next);
}

std::vector<Change> MakeWay::resume(const std::string& id) {
    if (held_.erase(id) == 0) {
        return {};
    }
    excused_.insert(id);
    return {Change::release(id)};
}

std::vector<Change> MakeWay::resumeAll() {
    std::vector<Change> out;
    while (!held_.empty()) {
        std::string id = held_.begin()->first;
        for (Change& change : resume(id)) {
            out.push_back(std::move(change));
        }
    }
    return out;
}

bool MakeWay::shouldSay(const std::vector<Change>& changes) {
    bool anyHold =
        std::any_of(changes.begin(), changes.end(), [](const Change& c) { return c.isHold(); });
    if (!anyHold) {
        return false;
    }
    bool anyPause = std::any_of(changes.begin(), changes.end(), [](const Change& c) {
        return c.isHold() && c.hold == Hold::paused;
    });
    if (anyPause) {
        said_ = true;
        return true;
    }
    if (said_) {
        return false;
    }
    said_ = true;
    return true;
}

std::vector<Held> MakeWay::heldList() const {
    std::vector<Held> list;
    list.reserve(held_.size());
    for (const auto& [id, entry] : held_) {
        list.push_back(entry);
    }
    std::stable_sort(list.begin(), list.end(), [](const Held& a, const Held& b) {
        if (a.hold != b.hold) {
            return a.hold == Hold::paused;
        }
        return a.app.name < b.app.name;
    });
    return list;
}

}  // namespace tv
