#pragma once

#include <QObject>
#include <QThread>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "alerts/Apps.h"
#include "alerts/Notices.h"
#include "alerts/NotificationResponse.h"
#include "core/AlertRules.h"
#include "core/CPUSample.h"
#include "core/Date.h"
#include "core/Health.h"
#include "core/History.h"
#include "core/MakeWay.h"
#include "core/MemorySample.h"
#include "core/Moment.h"
#include "core/ProcessUsage.h"
#include "core/SelfIdentity.h"
#include "core/Snapshot.h"
#include "core/ThermalSample.h"
#include "core/Vocabulary.h"
#include "makeway/HoldBack.h"
#include "monitor/Readers.h"
#include "platform/FrontAppSource.h"
#include "platform/SystemInfo.h"
#include "settings/Settings.h"
#include "speedtest/SpeedTestRun.h"
#include "speedtest/SpeedTool.h"

namespace tv {

class SamplerWorker;

// What a Monitor is built from: the readers (moved onto the sampling thread), the settings of
// the sampling thread and of the main thread, the machine's facts, the front-app source, who
// TallyVane is, the platform's words and two clocks: the wall clock for what is shown, and a
// steady one (never set back, still while asleep) for everything that measures elapsed time;
// snapshots carry the steady time they were taken at. Without an executor (`holdBack`) nothing
// is ever held back; without `apps` no app is ever asked to quit.
struct MonitorParts {
    std::unique_ptr<Readers> readers;
    std::unique_ptr<Settings> samplerSettings;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<HoldBack> holdBack;
    std::unique_ptr<Apps> apps;
    std::unique_ptr<SystemInfo> system;
    // Where the platform names the front app itself (asked on the main thread); may be absent.
    std::unique_ptr<FrontAppSource> frontApp;
    SelfIdentity self;
    const Vocabulary* words = &Vocabulary::forMac();
    std::function<Date()> clock;
    // The network-quality tool the speed test runs.
    SpeedTool speedTool;
    // The steady clock; the system's own when not given.
    std::function<Moment()> steady;

    // The parts of the machine TallyVane runs on, watching only: no executor.
    static MonitorParts live();
};

// The one observable model: turns every snapshot into current readings, chart histories,
// the app list, TallyVane's own cost while its panel is closed and the apps being quit.
// Lives on the main thread; the Sampler runs on the "Tallyvane.sampler" thread.
//
// A property's signal fires only when its value really changes; each history's signal fires
// on every push.
class Monitor : public QObject {
    Q_OBJECT
  public:
    static constexpr int historyCapacity = 62;
    // The panel must have been closed this long before TallyVane's own cost is measured.
    static constexpr double closedCostAfter = 65;
    // A quit request that the app ignores stops showing after this long.
    static constexpr double quitGivesUpAfter = 10;

    explicit Monitor(MonitorParts parts, QObject* parent = nullptr);
    ~Monitor() override;

    // Starts the one-second sampling timer; its first reading is taken at once.
    void start();

    // One tick on the main thread.
    void apply(const Snapshot& snapshot);

    bool isOpen() const { return isOpen_; }
    // Every assignment acts, also one that repeats the current value.
    void setOpen(bool open);

    // Refreshes the app list at once.
    void tick();

    // Tells the Sampler which apps are held back: it then reads the list every tick and keeps
    // them in it for as long as they run.
    void setHeld(std::set<std::string> ids);

    // Quit bookkeeping: a request recorded at `at` (steady time) lasts until the app leaves
    // the list or ten seconds pass.
    void markQuitting(const std::string& id, Moment at);
    bool isQuitting(const ProcessUsage& process) const;
    const std::map<std::string, Moment>& quitting() const { return quitting_; }

    // Called at the end of every tick.
    void setOnSample(std::function<void()> onSample) { onSample_ = std::move(onSample); }

    // Where alerts and the make-way notice go; none until the shell sets one.
    void setNotices(Notices* notices) { notices_ = notices; }
    // Opens the panel as a click on the status item does; used when a notification is clicked.
    void setOnOpenPanel(std::function<void()> open) { openPanel_ = std::move(open); }

    // Applies make-way changes: the executor acts, `held` is republished with what it really
    // holds, the Sampler learns what is held, and what was done is announced or its notice
    // taken back.
    void hold(const std::vector<Change>& changes);
    // Lets every held app go; at quit.
    void releaseAll() { hold(makeWay_.resumeAll()); }
    // Lets the app go if held, asks it to quit and remembers the request.
    void quit(const ProcessUsage& process);
    // Quits the listed app at this path; or, if none is listed, asks whatever runs there.
    void quit(const std::string& path);
    // Carries out what the user chose on one of our notifications.
    void respond(const NotificationResponse& response);
    // Whether the app at this path runs and may be asked to quit.
    bool isRunning(const std::string& path) const;

    // The apps held back now: paused before slowed, then by name.
    const std::vector<Held>& held() const { return held_; }
    MakeWay& makeWay() { return makeWay_; }
    const MakeWay& makeWay() const { return makeWay_; }

    // The speed test: one run at a time, the last good result kept; its signals are
    // speedTest()'s.
    void runSpeedTest() { speedTest_.run(); }
    const std::optional<Date>& speedTestStarted() const { return speedTest_.started(); }
    bool speedTestFailed() const { return speedTest_.failed(); }
    const std::optional<SpeedResult>& speedResult() const { return speedTest_.result(); }
    SpeedTestRun& speedTest() { return speedTest_; }

    // Readings.
    const CPUSample& cpu() const { return cpu_; }
    const std::vector<double>& load() const { return load_; }
    const MemorySample& memory() const { return memory_; }
    // The GPU busy fraction; absent when no GPU could be read.
    std::optional<double> gpu() const { return gpu_; }
    const ThermalSample& thermal() const { return thermal_; }
    ThermalState thermalState() const { return thermalState_; }
    double down() const { return down_; }
    double up() const { return up_; }
    const std::vector<ProcessUsage>& processes() const { return processes_; }
    const History& cpuHistory() const { return cpuHistory_; }
    const History& memoryHistory() const { return memoryHistory_; }
    const History& gpuHistory() const { return gpuHistory_; }
    const History& temperatureHistory() const { return temperatureHistory_; }
    // Wall-clock time of the latest tick, for display.
    Date sampledAt() const { return sampledAt_; }
    std::optional<double> closedCost() const { return closedCost_; }
    // Steady time the panel was last closed.
    Moment closedAt() const { return closedAt_; }
    const std::optional<std::string>& frontApp() const { return frontApp_; }

    // Fixed facts.
    const std::string& chip() const { return chip_; }
    // The kernel's numbers of the efficiency cores (CPUSample::ids), ascending.
    const std::vector<int>& efficiencyCores() const { return efficiencyCores_; }
    Date bootedAt() const { return bootedAt_; }
    const SelfIdentity& self() const { return self_; }
    const Vocabulary& words() const { return *words_; }

    // The health verdict, derived from the current state each time it is asked.
    Verdict verdict() const { return verdictFor(memory_.pressure, thermalState_); }
    std::optional<Trouble> trouble() const { return verdict().trouble; }
    Health health() const { return verdict().health; }
    std::string healthTitle() const { return verdict().title; }
    std::optional<ProcessUsage> culprit() const;
    std::optional<std::string> healthDetail() const;
    bool hasAlert() const { return tv::hasAlert(memory_.pressure, thermalState_); }

  signals:
    void cpuChanged();
    void loadChanged();
    void memoryChanged();
    void gpuChanged();
    void thermalChanged();
    void thermalStateChanged();
    void downChanged();
    void upChanged();
    void processesChanged();
    void cpuHistoryChanged();
    void memoryHistoryChanged();
    void gpuHistoryChanged();
    void temperatureHistoryChanged();
    void sampledAtChanged();
    void isOpenChanged();
    void closedCostChanged();
    void quittingChanged();
    void heldChanged();

  private:
    void setProcesses(std::vector<ProcessUsage> processes);
    void measureClosedCost(const Snapshot& snapshot);
    void forgetFinishedQuits();
    // Finds the app at `path` as it runs now, listed or not, and asks it to quit.
    void askToQuitUnlisted(const std::string& path);
    void findFrontApp(const Snapshot& snapshot);
    // The tick's decisions: make way, then alerts.
    void decide(const Snapshot& snapshot);

    template <typename T, typename Signal>
    void assign(T& field, const T& value, Signal changed) {
        if (!(field == value)) {
            field = value;
            emit(this->*changed)();
        }
    }

    std::function<Date()> clock_;
    SpeedTestRun speedTest_;
    std::function<Moment()> steady_;
    SelfIdentity self_;
    const Vocabulary* words_;
    std::unique_ptr<FrontAppSource> frontAppSource_;

    CPUSample cpu_;
    std::vector<double> load_{0, 0, 0};
    MemorySample memory_;
    std::optional<double> gpu_;
    ThermalSample thermal_;
    ThermalState thermalState_ = 0;
    double down_ = 0;
    double up_ = 0;
    std::vector<ProcessUsage> processes_;
    History cpuHistory_{historyCapacity};
    History memoryHistory_{historyCapacity};
    History gpuHistory_{historyCapacity};
    History temperatureHistory_{historyCapacity};
    Date sampledAt_;
    Moment tickAt_;  // the latest snapshot's steady time
    bool isOpen_ = false;
    std::optional<double> closedCost_;
    Moment closedAt_;
    std::string chip_;
    std::vector<int> efficiencyCores_;
    Date bootedAt_;
    std::optional<std::string> frontApp_;
    std::map<std::string, Moment> quitting_;
    std::function<void()> onSample_;
    std::function<void()> openPanel_;

    std::unique_ptr<Settings> settings_;
    AlertRules alertRules_;
    std::vector<Held> held_;
    MakeWay makeWay_;
    std::unique_ptr<HoldBack> holdBack_;
    std::unique_ptr<Apps> apps_;
    Notices* notices_ = nullptr;

    QThread thread_;
    SamplerWorker* worker_ = nullptr;
};

}  // namespace tv
