// The Monitor's decision half: what it does at the end of each tick, the hold step, quitting
// apps and the user's answers to notifications. Main thread only.
#include <algorithm>

#include "monitor/Monitor.h"
#include "settings/AlertSwitches.h"
#include "settings/SettingKeys.h"

namespace tv {

void Monitor::decide(const Snapshot& snapshot) {
    if (snapshot.processes && holdBack_) {
        if (!settings_->isOn(SettingKeys::makeWay)) {
            hold(makeWay_.resumeAll());
        } else {
            // Without a known front app the rules still let held apps go (gone, or after the
            // calm minute); they only hold nothing new.
            hold(makeWay_.update(memory_.pressure, thermalState_, processes_, frontApp_,
                                 snapshot.audible, snapshot.at));
        }
    }

    std::vector<AlertChange> alerts = alertRules_.update(memory_.pressure, thermalState_,
                                                         processes_, snapshot.processes.has_value(),
                                                         currentSwitches(*settings_), snapshot.at);
    if (notices_) {
        notices_->apply(alerts);
    }
}

void Monitor::hold(const std::vector<Change>& asked) {
    bool pausedBefore = std::any_of(held_.begin(), held_.end(),
                                    [](const Held& h) { return h.hold == Hold::paused; });
    // Only what the executor really did is shown, announced and counted. A stuck executor
    // carries the changes out later, as asked.
    std::vector<Change> changes = asked;
    std::set<std::string> diskOnly;
    if (holdBack_) {
        if (auto done = holdBack_->apply(asked, makeWay_.held())) {
            changes = makeWay_.settle(asked, done->holding);
            diskOnly = std::move(done->diskOnly);
        }
    }
    std::vector<Held> now = makeWay_.heldList();
    for (Held& entry : now) {
        entry.diskOnly = diskOnly.count(entry.app.id) > 0;
    }
    if (!(now == held_)) {
        held_ = std::move(now);
        emit heldChanged();
    }
    std::set<std::string> ids;
    for (const Held& entry : held_) {
        ids.insert(entry.app.id);
    }
    setHeld(std::move(ids));

    if (changes.empty()) {
        return;
    }
    // Asked every time: it records what has been announced, whatever the switches say.
    bool say = makeWay_.shouldSay(changes);
    AlertRules::Switches switches = currentSwitches(*settings_);
    if (say && (switches.memory || switches.heat)) {
        if (auto message = MakeWay::message(held_, *words_)) {
            message->sound = message->sound && !pausedBefore;
            if (notices_) {
                notices_->post(*message);
            }
            return;
        }
    }
    bool released =
        std::any_of(changes.begin(), changes.end(), [](const Change& c) { return !c.isHold(); });
    if (released && notices_) {
        notices_->withdraw("makeway");
    }
}

void Monitor::quit(const ProcessUsage& process) {
    hold(makeWay_.resume(process.id));
    if (apps_ && process.appPath && apps_->quit(*process.appPath, processes_)) {
        markQuitting(process.id, steady_());
    }
}

void Monitor::quit(const std::string& path) {
    auto listed = std::find_if(processes_.begin(), processes_.end(),
                               [&](const ProcessUsage& row) { return row.appPath == path; });
    if (listed != processes_.end()) {
        ProcessUsage process = *listed;
        quit(process);
    } else if (apps_) {
        // Not listed (too small and idle to show, or the list is a minute old): the app at
        // that path is looked for as it runs now and asked to quit; the attempt is not kept.
        askToQuitUnlisted(path);
    }
}

bool Monitor::isRunning(const std::string& path) const {
    return apps_ && !apps_->running(path, processes_).empty();
}

void Monitor::respond(const NotificationResponse& response) {
    if (response.action == "quit") {
        if (response.appPath) {
            quit(*response.appPath);
            if (notices_) {
                notices_->withdraw(response.id);
            }
        }
    } else if (response.action == "resume") {
        // Every held app, in one step; each stays excused while the trouble lasts.
        hold(makeWay_.resumeAll());
    } else if (response.action == "default") {
        if (!isOpen_ && openPanel_) {
            openPanel_();
        }
    }
}

}  // namespace tv
