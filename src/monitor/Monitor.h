#pragma once

#include <QObject>
#include <QThread>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/CPUSample.h"
#include "core/Date.h"
#include "core/Health.h"
#include "core/History.h"
#include "core/MemorySample.h"
#include "core/ProcessUsage.h"
#include "core/SelfIdentity.h"
#include "core/Snapshot.h"
#include "core/ThermalSample.h"
#include "core/Vocabulary.h"
#include "monitor/Readers.h"
#include "platform/FrontAppSource.h"
#include "platform/SystemInfo.h"
#include "settings/Settings.h"

namespace tv {

class SamplerWorker;

// What a Monitor is built from: the readers (moved onto the sampling thread), the sampling
// thread's own settings, the machine's facts, the front-app source, who TallyVane is, the
// platform's words and a clock.
struct MonitorParts {
    std::unique_ptr<Readers> readers;
    std::unique_ptr<Settings> samplerSettings;
    std::unique_ptr<SystemInfo> system;
    std::unique_ptr<FrontAppSource> frontApp;
    SelfIdentity self;
    const Vocabulary* words = &Vocabulary::forMac();
    std::function<Date()> clock;

    // The parts of the machine TallyVane runs on.
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

    // Tells the Sampler whether apps are being held back (it then reads the list every tick).
    void setHolding(bool holding);

    // Quit bookkeeping: a request recorded at `at` lasts until the app leaves the list or
    // ten seconds pass.
    void markQuitting(const std::string& id, Date at);
    bool isQuitting(const ProcessUsage& process) const;
    const std::map<std::string, Date>& quitting() const { return quitting_; }

    // Called at the end of every tick.
    void setOnSample(std::function<void()> onSample) { onSample_ = std::move(onSample); }

    // Readings.
    const CPUSample& cpu() const { return cpu_; }
    const std::vector<double>& load() const { return load_; }
    const MemorySample& memory() const { return memory_; }
    double gpu() const { return gpu_; }
    const ThermalSample& thermal() const { return thermal_; }
    ThermalState thermalState() const { return thermalState_; }
    double down() const { return down_; }
    double up() const { return up_; }
    const std::vector<ProcessUsage>& processes() const { return processes_; }
    const History& cpuHistory() const { return cpuHistory_; }
    const History& memoryHistory() const { return memoryHistory_; }
    const History& gpuHistory() const { return gpuHistory_; }
    const History& temperatureHistory() const { return temperatureHistory_; }
    Date sampledAt() const { return sampledAt_; }
    std::optional<double> closedCost() const { return closedCost_; }
    Date closedAt() const { return closedAt_; }
    const std::optional<std::string>& frontApp() const { return frontApp_; }

    // Fixed facts.
    const std::string& chip() const { return chip_; }
    int efficiencyCores() const { return efficiencyCores_; }
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

  private:
    void setProcesses(std::vector<ProcessUsage> processes);
    void measureClosedCost(const Snapshot& snapshot);
    void forgetFinishedQuits();

    template <typename T, typename Signal>
    void assign(T& field, const T& value, Signal changed) {
        if (!(field == value)) {
            field = value;
            emit(this->*changed)();
        }
    }

    std::function<Date()> clock_;
    SelfIdentity self_;
    const Vocabulary* words_;
    std::unique_ptr<FrontAppSource> frontAppSource_;

    CPUSample cpu_;
    std::vector<double> load_{0, 0, 0};
    MemorySample memory_;
    double gpu_ = 0;
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
    bool isOpen_ = false;
    std::optional<double> closedCost_;
    Date closedAt_;
    std::string chip_;
    int efficiencyCores_ = 0;
    Date bootedAt_;
    std::optional<std::string> frontApp_;
    std::map<std::string, Date> quitting_;
    std::function<void()> onSample_;

    QThread thread_;
    SamplerWorker* worker_ = nullptr;
};

}  // namespace tv
