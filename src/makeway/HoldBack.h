#pragma once

#include <QObject>
#include <QThread>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/Held.h"
#include "platform/BackgroundBand.h"
#include "platform/PrivateFolder.h"
#include "platform/ProcessControl.h"

namespace tv {

class HoldBackWorker;

// Carries out the make-way decisions on real processes: moves held apps' processes to the
// background band, pauses in beats (stopped `stopFor`, let run `runFor`) the processes of
// paused apps, and keeps a journal of what it holds and a watchdog that undoes it if
// TallyVane dies or stays stopped. It never takes over a process someone else stopped or
// lowered, never stops a typed command or a process whose stop has job-control side effects,
// never signals a process that merely reuses a held pid, and restores only what it changed
// itself. Without a private folder for the journal it holds nothing.
//
// Everything happens on its own thread, "Tallyvane.holdBack". Callers wait for it, but never
// longer than `longestWait`: a stuck executor cannot freeze the program.
class HoldBack {
  public:
    static constexpr std::chrono::milliseconds longestWait{500};

    struct Parts {
        std::unique_ptr<ProcessControl> control;
        std::unique_ptr<BackgroundBand> band;
        std::unique_ptr<WatchdogLauncher> watchdog;
        std::unique_ptr<PrivateFolder> journal;
    };
    using PidSets = std::map<std::string, std::set<std::int32_t>>;
    // How the executor really holds each app: paused (some of its processes stopped in beats),
    // else slowed (some moved to the background band). An app of which it holds nothing (no
    // private folder for the journal, or none of its processes ours to hold) is absent.
    using Holding = std::map<std::string, Hold>;

    HoldBack(std::int32_t owner, double stopFor, double runFor, Parts parts);
    // Lets everything go that is still held.
    ~HoldBack();
    HoldBack(const HoldBack&) = delete;
    HoldBack& operator=(const HoldBack&) = delete;

    // The platform's executor for this program, pausing 4 s and letting run 1 s, after
    // undoing what earlier TallyVanes left held.
    static std::unique_ptr<HoldBack> live();

    // `held` is every app held after the changes (the make-way rules' whole map). Returns
    // what it holds once the signals were sent, with the held apps on which no CPU band can act
    // here (only their disk use was lowered); absent after `longestWait` when the executor is
    // stuck (the changes are carried out when it gets to them).
    struct Outcome {
        Holding holding;
        std::set<std::string> diskOnly;
    };
    std::optional<Outcome> apply(const std::vector<Change>& changes,
                                 const std::map<std::string, Held>& held);

    // What is held now, and the beat's phase; for tests and the self-check.
    PidSets slowed() const;
    PidSets paused() const;
    // The apps paused by freezing their own group, with the group.
    std::map<std::string, std::string> frozen() const;
    bool stopped() const;
    std::int32_t watchdog() const;

  private:
    template <typename Result, typename Call>
    Result onThread(Call call, Result otherwise) const;

    QThread* thread_;  // left running, not waited for, if it ever gets stuck
    HoldBackWorker* worker_;
};

}  // namespace tv
