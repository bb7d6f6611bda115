#pragma once

#include <QObject>
#include <QThread>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/Held.h"
#include "platform/BackgroundBand.h"
#include "platform/ProcessControl.h"

namespace tv {

class HoldBackWorker;

// Carries out the make-way decisions on real processes: moves held apps' processes to the
// background band, pauses in beats (stopped `stopFor`, let run `runFor`) the processes of
// paused apps, and keeps a watchdog shell that undoes everything if TallyVane dies. It never
// takes over a process someone else stopped or lowered, never stops a typed command, and
// restores only what it changed itself.
//
// Everything happens on its own thread, "Tallyvane.holdBack"; `apply` waits for it.
class HoldBack {
  public:
    struct Parts {
        std::unique_ptr<ProcessControl> control;
        std::unique_ptr<BackgroundBand> band;
        std::unique_ptr<WatchdogLauncher> watchdog;
        QString undoFolder;
    };
    using PidSets = std::map<std::string, std::set<std::int32_t>>;

    HoldBack(std::int32_t owner, double stopFor, double runFor, Parts parts);
    // Lets everything go that is still held.
    ~HoldBack();
    HoldBack(const HoldBack&) = delete;
    HoldBack& operator=(const HoldBack&) = delete;

    // The platform's executor for this program, pausing 4 s and letting run 1 s.
    static std::unique_ptr<HoldBack> live();

    // `held` is every app held after the changes (the make-way rules' whole map).
    void apply(const std::vector<Change>& changes, const std::map<std::string, Held>& held);

    // What is held now, and the beat's phase; for tests and the self-check.
    PidSets slowed() const;
    PidSets paused() const;
    bool stopped() const;
    std::int32_t watchdog() const;

  private:
    template <typename Result, typename Call>
    Result onThread(Call call) const;

    QThread thread_;
    HoldBackWorker* worker_;
};

}  // namespace tv
