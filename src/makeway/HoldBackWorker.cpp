#include "makeway/HoldBackWorker.h"

#include <algorithm>

#include "makeway/WatchdogScript.h"

namespace tv {

namespace {

std::set<std::int32_t> minus(const std::set<std::int32_t>& a, const std::set<std::int32_t>& b) {
    std::set<std::int32_t> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
    return out;
}

std::set<std::int32_t> both(const std::set<std::int32_t>& a, const std::set<std::int32_t>& b) {
    std::set<std::int32_t> out;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
    return out;
}

// Stores `pids` under `id`, or removes the id when there are none.
void store(HoldBack::PidSets& sets, const std::string& id, std::set<std::int32_t> pids) {
    if (pids.empty()) {
        sets.erase(id);
    } else {
        sets[id] = std::move(pids);
    }
}

int milliseconds(double seconds) {
    return static_cast<int>(seconds * 1000 + 0.5);
}

}  // namespace

HoldBackWorker::HoldBackWorker(std::int32_t owner, double stopFor, double runFor,
                               HoldBack::Parts parts)
    : owner_(owner),
      stopFor_(stopFor),
      runFor_(runFor),
      parts_(std::move(parts)),
      undo_(parts_.undoFolder, owner) {}

void HoldBackWorker::apply(const std::vector<Change>& changes,
                           const std::map<std::string, Held>& held) {
    const HoldBack::PidSets slowedBefore = slowed_, pausedBefore = paused_;
    for (const Change& change : changes) {
        if (!change.isHold()) {
            release(change.id);
        }
    }
    // Whatever is no longer in the held map is let go too, so nothing stays held by mistake.
    std::set<std::string> stale;
    for (const auto* sets : {&slowed_, &paused_}) {
        for (const auto& [id, pids] : *sets) {
            if (held.count(id) == 0) {
                stale.insert(id);
            }
        }
    }
    for (const std::string& id : stale) {
        release(id);
    }

    if (beat_ == nullptr) {
        stopped_ = true;  // a pause that starts now starts stopped
    }
    for (const auto& [id, entry] : held) {
        holdEntry(id, entry);
    }
    keepBeat();
    if (slowed_ != slowedBefore || paused_ != pausedBefore) {
        rewatch();
    }
}

void HoldBackWorker::holdEntry(const std::string& id, const Held& entry) {
    const std::set<std::int32_t> pids(entry.app.pids.begin(), entry.app.pids.end());
    const std::set<std::int32_t> wasPaused =
        paused_.count(id) ? paused_[id] : std::set<std::int32_t>{};
    const std::set<std::int32_t> wasSlowed =
        slowed_.count(id) ? slowed_[id] : std::set<std::int32_t>{};

    // Processes that left the app's row go back to normal at once.
    for (std::int32_t pid : minus(wasPaused, pids)) {
        parts_.control->resume(pid);
    }
    for (std::int32_t pid : minus(wasSlowed, pids)) {
        parts_.band->unslow(pid);
    }
    std::set<std::int32_t> newSlowed = both(wasSlowed, pids);
    std::set<std::int32_t> newPaused = both(wasPaused, pids);

    for (std::int32_t pid : newSlowed) {
        parts_.band->follow(pid);  // threads started since
    }
    for (std::int32_t pid : minus(pids, newSlowed)) {
        if (!parts_.band->isLowered(pid) && parts_.band->slow(pid)) {
            newSlowed.insert(pid);
        }
    }

    if (entry.hold == Hold::paused) {
        std::set<std::int32_t> toPause;
        for (std::int32_t pid : minus(pids, newPaused)) {
            // Someone else's stop is not taken over; a typed command is never stopped.
            if (!parts_.control->isStopped(pid) && !parts_.control->isTyped(pid)) {
                toPause.insert(pid);
            }
        }
        noteBeforePausing(toPause);
        for (std::int32_t pid : toPause) {
            bool ok = stopped_ ? parts_.control->stop(pid) : parts_.control->exists(pid);
            if (ok) {
                newPaused.insert(pid);
            }
        }
    }
    store(slowed_, id, std::move(newSlowed));
    store(paused_, id, std::move(newPaused));
}

// Before anything new is stopped, the file on disk already knows to continue it.
void HoldBackWorker::noteBeforePausing(const std::set<std::int32_t>& about) {
    if (!about.empty()) {
        undo_.write(undoCommands(about));
    }
}

void HoldBackWorker::release(const std::string& id) {
    if (auto paused = paused_.find(id); paused != paused_.end()) {
        for (std::int32_t pid : paused->second) {
            parts_.control->resume(pid);
        }
        paused_.erase(paused);
    }
    if (auto slowed = slowed_.find(id); slowed != slowed_.end()) {
        for (std::int32_t pid : slowed->second) {
            parts_.band->unslow(pid);
        }
        slowed_.erase(slowed);
    }
}

void HoldBackWorker::releaseAll() {
    std::set<std::string> ids;
    for (const auto* sets : {&slowed_, &paused_}) {
        for (const auto& [id, pids] : *sets) {
            ids.insert(id);
        }
    }
    for (const std::string& id : ids) {
        release(id);
    }
    keepBeat();
    rewatch();
}

void HoldBackWorker::keepBeat() {
    if (!paused_.empty() && beat_ == nullptr) {
        beat_ = new QTimer(this);
        beat_->setSingleShot(true);
        beat_->setTimerType(Qt::PreciseTimer);
        connect(beat_, &QTimer::timeout, this, &HoldBackWorker::turn);
        beat_->start(milliseconds(stopFor_));
    } else if (paused_.empty() && beat_ != nullptr) {
        beat_->stop();
        beat_->deleteLater();
        beat_ = nullptr;
    }
}

void HoldBackWorker::turn() {
    stopped_ = !stopped_;
    const HoldBack::PidSets before = paused_;
    for (const auto& [id, pids] : before) {
        if (!stopped_) {
            for (std::int32_t pid : pids) {
                parts_.control->resume(pid);
            }
            continue;
        }
        // Whatever was stopped by someone else while it ran, or has gone, is let go of.
        std::set<std::int32_t> kept;
        for (std::int32_t pid : pids) {
            if (!parts_.control->isStopped(pid) && !parts_.control->isTyped(pid) &&
                parts_.control->stop(pid)) {
                kept.insert(pid);
            }
        }
        store(paused_, id, std::move(kept));
    }
    if (beat_ != nullptr) {
        beat_->start(milliseconds(stopped_ ? stopFor_ : runFor_));
    }
    keepBeat();
    if (paused_ != before) {
        rewatch();
    }
}

std::string HoldBackWorker::undoCommands(const std::set<std::int32_t>& alsoPaused) const {
    std::vector<std::int32_t> paused;
    for (const auto& [id, pids] : paused_) {
        paused.insert(paused.end(), pids.begin(), pids.end());
    }
    paused.insert(paused.end(), alsoPaused.begin(), alsoPaused.end());
    std::vector<std::string> slowedUndo;
    for (const auto& [id, pids] : slowed_) {
        for (std::int32_t pid : pids) {
            slowedUndo.push_back(parts_.band->undoCommands(pid));
        }
    }
    return undoScript(paused, slowedUndo);
}

void HoldBackWorker::rewatch() {
    if (watchdog_ != 0) {
        parts_.watchdog->end(watchdog_);
        watchdog_ = 0;
    }
    std::string undo = undoCommands();
    undo_.write(undo);
    if (slowed_.empty() && paused_.empty()) {
        return;
    }
    watchdog_ = parts_.watchdog->start(watchdogScript(owner_, undo));
}

}  // namespace tv
