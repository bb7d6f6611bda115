#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/Snapshot.h"
#include "monitor/Readers.h"
#include "settings/Settings.h"

namespace tv {

// Takes one reading per tick and decides which of the expensive ones the tick needs:
// temperatures every other reading, the app list only when someone needs it, audio users
// only when apps might be held back. Also raises pressure and thermal state for
// demonstrations and can replay a recorded loop of snapshots.
//
// Lives on the sampling thread; everything here is touched only there.
class Sampler {
  public:
    using Clock = std::function<Moment()>;

    // Without a clock, snapshots are stamped with the system's steady clock.
    Sampler(std::unique_ptr<Readers> readers, std::unique_ptr<Settings> settings, Clock clock = {});

    // The system's steady clock as a Moment.
    static Moment steadyNow();

    // One tick's snapshot, live or from the demonstration loop, stamped with the time it
    // was taken (a replayed one too).
    Snapshot sample();

    // An immediate app-list refresh, outside the regular readings.
    std::vector<ProcessUsage> readProcesses() { return readers_->processes(); }
    // The same, with the app of this row id listed however little it uses (as long as it runs).
    std::vector<ProcessUsage> readProcessesWith(const std::string& id);

    void setWantsProcesses(bool wants) { wantsProcesses_ = wants; }
    void setJustOpened(bool opened) { justOpened_ = opened; }
    // The apps held back now (row ids): while there are any, the list and the audio users are
    // read every tick, and the held apps stay listed however little they use.
    void setHeld(const std::set<std::string>& ids) {
        held_ = ids;
        holding_ = !ids.empty();
        readers_->keepListed(ids);
    }

    int calls() const { return calls_; }

  private:
    Snapshot read();
    bool anyAlertOn() const;

    std::unique_ptr<Readers> readers_;
    std::unique_ptr<Settings> settings_;
    Clock clock_;
    ThermalSample lastThermal_;
    int calls_ = 0;
    int lastPressure_ = 1;
    ThermalState lastThermalState_ = 0;
    bool wantsProcesses_ = false;
    bool justOpened_ = false;
    bool holding_ = false;
    std::set<std::string> held_;
    int loopLength_ = 0;
    std::vector<Snapshot> loop_;
};

}  // namespace tv
