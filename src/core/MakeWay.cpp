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
    pauseMade_.reset();

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
        notToPause_.clear();
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
    if (!front) {
        // Nobody trustworthy says where the user works (a locked screen, the desktop, every
        // window minimised): any app could be the one to keep quick, so nothing new is held,
        // and a busy run counts afresh once the front app is known again.
        busySince_.clear();
        return out;
    }
    std::vector<const ProcessUsage*> candidates;
    for (const ProcessUsage& row : processes) {
        if (byId[row.id] == &row && isCandidate(row, front, audible)) {
            candidates.push_back(&row);
        }
    }

    // An unbroken run of busy samples; a break starts the count again.
    ++samples_;
    for (const ProcessUsage* row : candidates) {
        // Busy by what it asks for: on a crowded machine a busy app gets far less than a core.
        if (row->wanted() >= busyCPU) {
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
        if (alreadyPaused || row->typed || row->memory < smallestAppToPause ||
            notToPause_.count(row->id) > 0) {
            continue;
        }
        if (biggest == nullptr || row->memory > biggest->memory) {
            biggest = row;
        }
    }
    if (biggest == nullptr) {
        return;
    }
    pauseMade_ = PauseMade{biggest->id, held_.count(biggest->id) > 0, lastPause_};
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

void MakeWay::pauseRefused(const std::string& id) {
    notToPause_.insert(id);
    if (pauseMade_ && pauseMade_->id == id) {
        lastPause_ = pauseMade_->before;
        pauseMade_.reset();
    }
}

std::vector<Change> MakeWay::settle(const std::vector<Change>& changes,
                                    const std::map<std::string, Hold>& done) {
    auto doneWith = [&done](const std::string& id) {
        auto found = done.find(id);
        return found == done.end() ? std::nullopt : std::optional<Hold>(found->second);
    };
    std::vector<Change> out;
    std::set<std::string> asked;
    for (const Change& change : changes) {
        auto entry = held_.find(change.id);
        if (!change.isHold() || entry == held_.end()) {
            out.push_back(change);
            continue;
        }
        asked.insert(change.id);
        std::optional<Hold> did = doneWith(change.id);
        if (did == change.hold) {
            out.push_back(change);
            continue;
        }
        // Only a pause can be asked of an app held before (a slowed one).
        bool heldBefore = change.hold == Hold::paused && pauseMade_ &&
                          pauseMade_->id == change.id && pauseMade_->wasSlowed;
        if (change.hold == Hold::paused) {
            pauseRefused(change.id);
        }
        if (did) {
            entry->second.hold = *did;
            if (!heldBefore) {
                out.push_back(Change::holding(change.app, *did));
            }
        } else {
            excused_.insert(change.id);
            held_.erase(entry);
            if (heldBefore) {
                out.push_back(Change::release(change.id));
            }
        }
    }
    // Held from before, but the executor no longer holds it (someone else stopped or lowered
    // all its processes in the meantime): not taken back from them.
    for (auto it = held_.begin(); it != held_.end();) {
        std::optional<Hold> did =
            asked.count(it->first) > 0 ? it->second.hold : doneWith(it->first);
        if (!did) {
            excused_.insert(it->first);
            out.push_back(Change::release(it->first));
            it = held_.erase(it);
            continue;
        }
        if (*did == Hold::slowed && it->second.hold == Hold::paused) {
            it->second.hold = Hold::slowed;
            notToPause_.insert(it->first);
        }
        ++it;
    }
    return out;
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
