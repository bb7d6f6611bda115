#pragma once

#include <QObject>
#include <QTimer>

#include <map>

#include "makeway/HoldBack.h"
#include "makeway/HoldJournal.h"

namespace tv {

// The executor's state and work, living on the "Tallyvane.holdBack" thread.
class HoldBackWorker : public QObject {
    Q_OBJECT
  public:
    HoldBackWorker(std::int32_t owner, double stopFor, double runFor, HoldBack::Parts parts);

    void apply(const std::vector<Change>& changes, const std::map<std::string, Held>& held);
    void releaseAll();

    const HoldBack::PidSets& slowed() const { return slowed_; }
    const HoldBack::PidSets& paused() const { return paused_; }
    const std::map<std::string, std::string>& frozen() const { return frozen_; }
    HoldBack::Holding holding() const;
    // The held apps on which no CPU band acts: only their disk use is lowered.
    std::set<std::string> diskOnly() const;
    bool stopped() const { return stopped_; }
    std::int32_t watchdog() const { return watchdog_; }

  private:
    void release(const std::string& id);
    void releaseGroup(const std::string& id);
    void holdEntry(const std::string& id, const Held& entry);
    void keepBeat();
    void turn();
    // A working watchdog while anything is held or `wanted` (a replacement is started before
    // the old one is ended); none, and no journal, otherwise. When the watchdog found this
    // program stopped and let everything go, what is recorded is given back too.
    void keepWatch(bool wanted);
    // Releases every held app.
    void letGo();
    // Records what is held (with `alsoPaused` as paused already) before it is done.
    void writeJournal(const std::set<std::int32_t>& alsoPaused = {});
    // Stopping this process now is ours to do: it is the process we recorded, not stopped
    // by anyone, not typed at a prompt, and stopping it has no job-control side effects.
    bool mayStop(std::int32_t pid);
    // Pauses the app by freezing its own group where it has one: a group whose every process
    // is one of `pids` and ours to stop. False when the app is to be paused by signals.
    bool holdGroup(const std::string& id, const std::set<std::int32_t>& pids);
    // The group the app has to itself: every one of `pids` runs in it and nothing else does.
    // Empty when there is none.
    std::string ownGroup(const std::set<std::int32_t>& pids);
    // Lowers the app's CPU share where a band can act on it against an app elsewhere: its own
    // group's weight, else the autogroups of sessions it has to itself; the threads' own idle
    // policy covers the rest where it is allowed. Chosen again when the app's processes change.
    void chooseCpuBand(const std::string& id, const std::set<std::int32_t>& pids);
    bool groupsHeld() const;
    std::uint64_t startOf(std::int32_t pid) const;

    std::int32_t owner_;
    std::uint64_t ownerStarted_ = 0;
    double stopFor_;
    double runFor_;
    HoldBack::Parts parts_;
    HoldBack::PidSets slowed_;
    HoldBack::PidSets paused_;                   // stopped by signals
    std::map<std::string, std::string> frozen_;  // app id -> its own group, frozen in beats
    // The CPU band of each held app, once chosen.
    struct AppBand {
        std::set<std::int32_t> pids;     // what it was chosen for
        std::vector<std::string> saved;  // group weights and autogroups lowered, to give back
        bool cpu = false;                // a CPU band acts on every one of its processes
    };
    std::map<std::string, AppBand> bands_;
    std::vector<std::string> ahead_;  // band changes recorded before they are made, this apply
    std::map<std::int32_t, std::uint64_t> started_;  // of every held pid
    std::string journal_;                            // as last written
    bool stopped_ = false;
    QTimer* beat_ = nullptr;
    std::int32_t watchdog_ = 0;
};

}  // namespace tv
