#include "makeway/HoldBackWorker.h"

#include <algorithm>

#include "makeway/Watchdog.h"

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

std::set<std::int32_t> setAt(const HoldBack::PidSets& sets, const std::string& id) {
    auto found = sets.find(id);
    return found == sets.end() ? std::set<std::int32_t>{} : found->second;
}

int milliseconds(double seconds) {
    return static_cast<int>(seconds * 1000 + 0.5);
}

}  // namespace

HoldBackWorker::HoldBackWorker(std::int32_t owner, double stopFor, double runFor,
                               HoldBack::Parts parts)
    : owner_(owner), stopFor_(stopFor), runFor_(runFor), parts_(std::move(parts)) {
    ownerStarted_ = parts_.control->startedAt(owner_).value_or(0);
    // The journal learns how to undo each change to the band before the change is made.
    parts_.band->recordAheadWith([this](const std::vector<std::string>& lines) {
        ahead_.insert(ahead_.end(), lines.begin(), lines.end());
        writeJournal();
    });
}

std::uint64_t HoldBackWorker::startOf(std::int32_t pid) const {
    auto found = started_.find(pid);
    return found == started_.end() ? 0 : found->second;
}

void HoldBackWorker::apply(const std::vector<Change>& changes,
                           const std::map<std::string, Held>& requested) {
    // Without a private place for the journal nothing is held: what could not be undone
    // after a crash is not done at all.
    const bool canHold = ownerStarted_ != 0 && parts_.journal->usable();
    const std::map<std::string, Held> none;
    const std::map<std::string, Held>& held = canHold ? requested : none;

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
    for (const auto& [id, group] : frozen_) {
        if (held.count(id) == 0 || held.at(id).hold != Hold::paused) {
            stale.insert(id);
        }
    }
    for (const auto& [id, band] : bands_) {
        if (held.count(id) == 0) {
            stale.insert(id);
        }
    }
    for (const std::string& id : stale) {
        release(id);
    }

    // The watchdog is there before anything new is held.
    keepWatch(!held.empty());
    if (beat_ == nullptr) {
        stopped_ = true;  // a pause that starts now starts stopped
    }
    for (const auto& [id, entry] : held) {
        holdEntry(id, entry);
    }
    keepBeat();
    // What the band did is recorded with each held app from here on.
    ahead_.clear();
    writeJournal();
    keepWatch(false);
}

HoldBack::Holding HoldBackWorker::holding() const {
    HoldBack::Holding out;
    for (const auto& [id, pids] : slowed_) {
        out[id] = Hold::slowed;
    }
    for (const auto& [id, band] : bands_) {
        out[id] = Hold::slowed;
    }
    for (const auto& [id, pids] : paused_) {
        out[id] = Hold::paused;
    }
    for (const auto& [id, group] : frozen_) {
        out[id] = Hold::paused;
    }
    return out;
}

void HoldBackWorker::holdEntry(const std::string& id, const Held& entry) {
    // The row's pids, each with the start time the row saw (0 where it cannot say). A held pid
    // that now belongs to a later process is not the process we hold: that one has gone.
    std::set<std::int32_t> pids;
    std::map<std::int32_t, std::uint64_t> rowStart;
    for (std::size_t i = 0; i < entry.app.pids.size(); ++i) {
        std::int32_t pid = entry.app.pids[i];
        std::uint64_t started = i < entry.app.started.size() ? entry.app.started[i] : 0;
        auto known = started_.find(pid);
        if (started == 0 || known == started_.end() || known->second == started) {
            pids.insert(pid);
            rowStart[pid] = started;
        }
    }
    const std::set<std::int32_t> wasPaused = setAt(paused_, id), wasSlowed = setAt(slowed_, id);

    // Processes that left the app's row go back to normal at once.
    for (std::int32_t pid : minus(wasPaused, pids)) {
        parts_.control->resume(pid, startOf(pid));
    }
    for (std::int32_t pid : minus(wasSlowed, pids)) {
        parts_.band->unslow(pid);
    }
    std::set<std::int32_t> newSlowed = both(wasSlowed, pids);
    std::set<std::int32_t> newPaused = both(wasPaused, pids);

    // Newcomers are known by their start time from here on; a pid whose process is not the
    // one the row saw is left alone.
    for (std::int32_t pid : std::set<std::int32_t>(pids)) {
        if (newSlowed.count(pid) == 0 && newPaused.count(pid) == 0) {
            auto now = parts_.control->startedAt(pid);
            if (!now || (rowStart[pid] != 0 && *now != rowStart[pid])) {
                pids.erase(pid);
            } else {
                started_[pid] = *now;
            }
        }
    }
    for (std::int32_t pid : newSlowed) {
        parts_.band->follow(pid);  // threads started since
    }
    for (std::int32_t pid : minus(pids, newSlowed)) {
        if (!parts_.band->isLowered(pid) && parts_.band->slow(pid)) {
            newSlowed.insert(pid);
        }
    }
    chooseCpuBand(id, pids);

    if (entry.hold == Hold::paused && holdGroup(id, pids)) {
        // The app's own group is frozen in beats instead; what it stopped by signal before
        // is given back to the group's beat.
        for (std::int32_t pid : newPaused) {
            parts_.control->resume(pid, startOf(pid));
        }
        newPaused.clear();
    } else if (entry.hold == Hold::paused) {
        std::set<std::int32_t> toPause;
        for (std::int32_t pid : minus(pids, newPaused)) {
            if (mayStop(pid)) {
                toPause.insert(pid);
            }
        }
        // Before anything new is stopped, the journal already knows to continue it.
        if (!toPause.empty() && stopped_) {
            store(slowed_, id, newSlowed);
            writeJournal(toPause);
        }
        for (std::int32_t pid : toPause) {
            bool ok = stopped_ ? parts_.control->stop(pid, startOf(pid))
                               : parts_.control->startedAt(pid) == startOf(pid);
            if (ok) {
                newPaused.insert(pid);
            }
        }
    }
    store(slowed_, id, std::move(newSlowed));
    store(paused_, id, std::move(newPaused));
}

void HoldBackWorker::chooseCpuBand(const std::string& id, const std::set<std::int32_t>& pids) {
    auto known = bands_.find(id);
    // What was lowered stays lowered for the app's life; otherwise a changed row looks again.
    if (known != bands_.end() && (!known->second.saved.empty() || known->second.pids == pids)) {
        return;
    }
    AppBand band;
    band.pids = pids;
    if (std::string group = ownGroup(pids); !group.empty()) {
        if (std::string saved = parts_.band->slowGroup(group); !saved.empty()) {
            band.saved.push_back(saved);
            band.cpu = true;
        }
    }
    if (!band.cpu) {
        BackgroundBand::SessionsLowered sessions = parts_.band->slowSessions(pids);
        band.saved = std::move(sessions.saved);
        band.cpu = parts_.band->slowsThreadsCpu() ||
                   std::all_of(pids.begin(), pids.end(),
                               [&](std::int32_t pid) { return sessions.covered.count(pid) > 0; });
    }
    bands_[id] = std::move(band);
}

std::set<std::string> HoldBackWorker::diskOnly() const {
    std::set<std::string> ids;
    for (const auto& [id, band] : bands_) {
        if (!band.cpu) {
            ids.insert(id);
        }
    }
    return ids;
}

bool HoldBackWorker::groupsHeld() const {
    return std::any_of(bands_.begin(), bands_.end(),
                       [](const auto& entry) { return !entry.second.saved.empty(); });
}

std::string HoldBackWorker::ownGroup(const std::set<std::int32_t>& pids) {
    ProcessControl& control = *parts_.control;
    std::string group;
    for (std::int32_t pid : pids) {
        std::string own = control.groupOf(pid);
        if (own.empty() || (!group.empty() && own != group)) {
            return {};
        }
        group = own;
    }
    std::vector<std::int32_t> members =
        group.empty() ? std::vector<std::int32_t>{} : control.groupMembers(group);
    bool alone = !members.empty();
    for (std::int32_t pid : members) {
        alone = alone && pids.count(pid) > 0;
    }
    return alone ? group : std::string();
}

bool HoldBackWorker::holdGroup(const std::string& id, const std::set<std::int32_t>& pids) {
    ProcessControl& control = *parts_.control;
    auto held = frozen_.find(id);
    std::string group = held != frozen_.end() ? held->second : std::string();
    if (group.empty()) {
        for (std::int32_t pid : pids) {
            std::string own = control.groupOf(pid);
            if (own.empty() || (!group.empty() && own != group)) {
                return false;
            }
            group = own;
        }
    }
    // Only a group that is the app's alone, and none of whose processes is ours to leave
    // running: frozen now by someone else, stopped by someone else, or typed at a prompt.
    std::vector<std::int32_t> members = control.groupMembers(group);
    bool own = !group.empty() && !members.empty();
    for (std::int32_t pid : members) {
        own = own && pids.count(pid) > 0 && control.startedAt(pid) == startOf(pid) &&
              !control.isStopped(pid) && !control.isTyped(pid);
    }
    if (!own || (held == frozen_.end() && control.isFrozen(group))) {
        if (held != frozen_.end()) {
            releaseGroup(id);  // no longer the app's alone: it is held by signals from now on
        }
        return false;
    }
    if (held == frozen_.end()) {
        frozen_[id] = group;
        if (stopped_) {
            writeJournal();
            if (!control.freeze(group, true)) {
                frozen_.erase(id);
                return false;
            }
        }
    }
    return true;
}

bool HoldBackWorker::mayStop(std::int32_t pid) {
    ProcessControl& control = *parts_.control;
    return control.startedAt(pid) == startOf(pid) && !control.isStopped(pid) &&
           !control.isTyped(pid) && !control.stopHasSideEffects(pid);
}

void HoldBackWorker::releaseGroup(const std::string& id) {
    if (auto frozen = frozen_.find(id); frozen != frozen_.end()) {
        // In the let-run phase a frozen group was frozen by someone else.
        if (stopped_) {
            parts_.control->freeze(frozen->second, false);
        }
        frozen_.erase(frozen);
    }
}

void HoldBackWorker::release(const std::string& id) {
    releaseGroup(id);
    if (auto band = bands_.find(id); band != bands_.end()) {
        for (const std::string& line : band->second.saved) {
            parts_.band->restore(line);
        }
        bands_.erase(band);
    }
    if (auto paused = paused_.find(id); paused != paused_.end()) {
        for (std::int32_t pid : paused->second) {
            parts_.control->resume(pid, startOf(pid));
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
    letGo();
    keepWatch(false);
}

void HoldBackWorker::letGo() {
    std::set<std::string> ids;
    for (const auto* sets : {&slowed_, &paused_}) {
        for (const auto& [id, pids] : *sets) {
            ids.insert(id);
        }
    }
    for (const auto& [id, group] : frozen_) {
        ids.insert(id);
    }
    for (const auto& [id, band] : bands_) {
        ids.insert(id);
    }
    for (const std::string& id : ids) {
        release(id);
    }
    keepBeat();
}

void HoldBackWorker::keepBeat() {
    const bool pausing = !paused_.empty() || !frozen_.empty();
    if (pausing && beat_ == nullptr) {
        beat_ = new QTimer(this);
        beat_->setSingleShot(true);
        beat_->setTimerType(Qt::PreciseTimer);
        connect(beat_, &QTimer::timeout, this, &HoldBackWorker::turn);
        beat_->start(milliseconds(stopFor_));
    } else if (!pausing && beat_ != nullptr) {
        beat_->stop();
        beat_->deleteLater();
        beat_ = nullptr;
    }
}

void HoldBackWorker::turn() {
    keepWatch(false);
    if (paused_.empty() && frozen_.empty()) {
        return;  // the watchdog let everything go
    }
    stopped_ = !stopped_;
    if (!stopped_) {
        for (const auto& [id, group] : frozen_) {
            parts_.control->freeze(group, false);
        }
        for (const auto& [id, pids] : paused_) {
            for (std::int32_t pid : pids) {
                parts_.control->resume(pid, startOf(pid));
            }
        }
        writeJournal();
    } else {
        // A group found frozen now was frozen by someone else while it ran: not ours.
        std::erase_if(frozen_,
                      [this](const auto& entry) { return parts_.control->isFrozen(entry.second); });
        // Whatever was stopped by someone else while it ran, or has gone, is let go of; the
        // journal says what is about to be stopped before it is.
        for (auto& [id, pids] : paused_) {
            std::erase_if(pids, [this](std::int32_t pid) { return !mayStop(pid); });
        }
        std::erase_if(paused_, [](const auto& entry) { return entry.second.empty(); });
        writeJournal();
        std::erase_if(frozen_, [this](const auto& entry) {
            return !parts_.control->freeze(entry.second, true);
        });
        for (auto& [id, pids] : paused_) {
            std::erase_if(pids, [this](std::int32_t pid) {
                return !parts_.control->stop(pid, startOf(pid));
            });
        }
        std::erase_if(paused_, [](const auto& entry) { return entry.second.empty(); });
        // What has gone of the paused apps is not held any longer, slowed either.
        for (auto& [id, pids] : slowed_) {
            std::erase_if(pids, [this](std::int32_t pid) {
                bool gone = parts_.control->startedAt(pid) != startOf(pid);
                if (gone) {
                    parts_.band->forget(pid);
                }
                return gone;
            });
        }
        std::erase_if(slowed_, [](const auto& entry) { return entry.second.empty(); });
        // A band whose processes have all gone holds nothing: what it lowered is given back
        // (the checks on each saved line find what is gone) and it is forgotten.
        std::erase_if(bands_, [this](auto& entry) {
            bool allGone = std::all_of(
                entry.second.pids.begin(), entry.second.pids.end(), [this](std::int32_t pid) {
                    return parts_.control->startedAt(pid) != startOf(pid);
                });
            if (allGone && !entry.second.pids.empty()) {
                for (const std::string& line : entry.second.saved) {
                    parts_.band->restore(line);
                }
                return true;
            }
            return false;
        });
        writeJournal();
    }
    if (beat_ != nullptr) {
        beat_->start(milliseconds(stopped_ ? stopFor_ : runFor_));
    }
    keepBeat();
    if (slowed_.empty() && paused_.empty() && frozen_.empty() && !groupsHeld()) {
        keepWatch(false);  // the last held process has gone: so does the watchdog
    }
}

void HoldBackWorker::writeJournal(const std::set<std::int32_t>& alsoPaused) {
    // Start times of what is no longer held are forgotten, but not while an apply is still
    // holding newcomers (their band changes are recorded ahead of their place in the sets).
    std::set<std::int32_t> held(alsoPaused);
    for (const auto* sets : {&slowed_, &paused_}) {
        for (const auto& [id, pids] : *sets) {
            held.insert(pids.begin(), pids.end());
        }
    }
    for (const auto& [id, group] : frozen_) {
        for (std::int32_t pid : parts_.control->groupMembers(group)) {
            held.insert(pid);
        }
    }
    if (ahead_.empty()) {
        std::erase_if(started_, [&](const auto& entry) { return held.count(entry.first) == 0; });
    }
    if (held.empty() && frozen_.empty() && !groupsHeld() && ahead_.empty()) {
        return;  // keepWatch removes the journal with the watchdog
    }
    HoldJournal journal;
    journal.owner = owner_;
    journal.ownerStarted = ownerStarted_;
    journal.stopped = stopped_;
    std::set<std::int32_t> paused(alsoPaused);
    for (const auto& [id, pids] : paused_) {
        paused.insert(pids.begin(), pids.end());
    }
    for (std::int32_t pid : paused) {
        journal.paused.push_back({pid, startOf(pid)});
    }
    for (const auto& [id, group] : frozen_) {
        journal.frozen.push_back(group);
    }
    for (const auto& [id, band] : bands_) {
        journal.band.insert(journal.band.end(), band.saved.begin(), band.saved.end());
    }
    journal.band.insert(journal.band.end(), ahead_.begin(), ahead_.end());
    for (const auto& [id, pids] : slowed_) {
        for (std::int32_t pid : pids) {
            auto lines = parts_.band->saved(pid);
            journal.band.insert(journal.band.end(), lines.begin(), lines.end());
        }
    }
    std::string text = journal.text();
    if (text != journal_ && parts_.journal->write(HoldJournal::fileName(owner_), text)) {
        journal_ = std::move(text);
    }
}

void HoldBackWorker::keepWatch(bool wanted) {
    WatchdogLauncher& launcher = *parts_.watchdog;
    if (watchdog_ != 0 && launcher.health(watchdog_) == WatchdogLauncher::Health::released) {
        // This program was stopped long enough for the watchdog to let everything go (and
        // remove the journal). Whatever is still recorded is given back as well, with the
        // usual checks; the next apply holds afresh.
        launcher.end(watchdog_);
        watchdog_ = 0;
        journal_.clear();
        letGo();
    }
    if (!wanted && slowed_.empty() && paused_.empty() && frozen_.empty() && !groupsHeld()) {
        if (watchdog_ != 0) {
            launcher.end(watchdog_);
            watchdog_ = 0;
        }
        if (!journal_.empty()) {
            parts_.journal->remove(HoldJournal::fileName(owner_));
            journal_.clear();
        }
        return;
    }
    if (watchdog_ == 0 || launcher.health(watchdog_) != WatchdogLauncher::Health::working) {
        // A stopped or vanished watchdog cannot act: its replacement starts first, so there
        // is never a moment without one.
        std::int32_t old = watchdog_;
        watchdog_ =
            launcher.start(Watchdog::arguments(parts_.journal->path(), owner_, ownerStarted_));
        if (old != 0) {
            launcher.end(old);
        }
    }
}

}  // namespace tv
