#include "monitor/Monitor.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>

#include "monitor/LiveReaders.h"
#include "monitor/SamplerWorker.h"
#include "platform/CrashReports.h"
#include "platform/Platform.h"

namespace tv {

MonitorParts MonitorParts::live() {
    MonitorParts parts;
    auto readers = std::make_unique<LiveReaders>(platform::frontAppSource());
    parts.self = platform::selfIdentity();
    // Grouped into an app's row (started from its desktop entry), TallyVane knows that row.
    parts.self.appPath = readers->appOf(parts.self.pid);
    parts.readers = std::move(readers);
    parts.samplerSettings = std::make_unique<Settings>();
    parts.system = platform::systemInfo();
    parts.words = &platform::vocabulary();
    parts.clock = [] {
        return std::chrono::time_point_cast<Seconds>(std::chrono::system_clock::now());
    };
    parts.speedTool = SpeedTool::find(QCoreApplication::applicationDirPath());
    parts.speedTool.useConfiguration(qEnvironmentVariable("TALLYVANE_SPEED_CONFIG_URL"));
    parts.steady = &Sampler::steadyNow;
    return parts;
}

Monitor::Monitor(MonitorParts parts, QObject* parent)
    : QObject(parent),
      clock_(std::move(parts.clock)),
      speedTest_(std::move(parts.speedTool), clock_),
      steady_(parts.steady ? parts.steady : std::function<Moment()>(&Sampler::steadyNow)),
      self_(std::move(parts.self)),
      words_(parts.words),
      frontAppSource_(std::move(parts.frontApp)),
      settings_(parts.settings ? std::move(parts.settings) : std::make_unique<Settings>()),
      alertRules_(self_, *words_),
      makeWay_(self_),
      holdBack_(std::move(parts.holdBack)),
      apps_(std::move(parts.apps)) {
    Date now = clock_();
    sampledAt_ = now;
    tickAt_ = steady_();
    closedAt_ = tickAt_;
    chip_ = parts.system->chip();
    efficiencyCores_ = parts.system->efficiencyCores();
    bootedAt_ = parts.system->bootTime().value_or(now);
    // The sampling thread has not started yet, so the readers may still be used here.
    thermalState_ = parts.readers->thermalState();

    auto sampler = std::make_unique<Sampler>(
        std::move(parts.readers), std::move(parts.samplerSettings), std::move(parts.steady));
    // Results travel back as copies; a call posted to a Monitor that is gone is dropped.
    worker_ = new SamplerWorker(
        std::move(sampler),
        [this](Snapshot snapshot) {
            QMetaObject::invokeMethod(
                this, [this, s = std::move(snapshot)] { apply(s); }, Qt::QueuedConnection);
        },
        [this](std::vector<ProcessUsage> list) {
            QMetaObject::invokeMethod(
                this, [this, l = std::move(list)]() mutable { setProcesses(std::move(l)); },
                Qt::QueuedConnection);
        });
    // Nothing stays slowed or paused once the program's event loop has ended.
    if (auto* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &Monitor::releaseAll);
    }
    thread_.setObjectName(QStringLiteral("Tallyvane.sampler"));
    connect(&thread_, &QThread::started, [] { platform::guardThisThread("Tallyvane.sampler"); });
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

Monitor::~Monitor() {
    thread_.quit();
    thread_.wait();
}

void Monitor::start() {
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->start(); }, Qt::QueuedConnection);
}

void Monitor::apply(const Snapshot& snapshot) {
    if (snapshot.cpu) {
        assign(cpu_, *snapshot.cpu, &Monitor::cpuChanged);
        cpuHistory_.push(snapshot.cpu->total());
        emit cpuHistoryChanged();
    }
    assign(load_, snapshot.load, &Monitor::loadChanged);

    assign(memory_, snapshot.memory, &Monitor::memoryChanged);
    const MemorySample& m = snapshot.memory;
    memoryHistory_.push(
        m.total == 0 ? 0.0 : static_cast<double>(m.used()) / static_cast<double>(m.total));
    emit memoryHistoryChanged();

    assign(gpu_, snapshot.gpu, &Monitor::gpuChanged);
    gpuHistory_.push(gpu_.value_or(0.0));
    emit gpuHistoryChanged();

    assign(thermal_, snapshot.thermal, &Monitor::thermalChanged);
    if (snapshot.thermal.cpu) {
        temperatureHistory_.push((*snapshot.thermal.cpu - 30) / 80);
        emit temperatureHistoryChanged();
    }

    assign(thermalState_, snapshot.thermalState, &Monitor::thermalStateChanged);
    assign(down_, snapshot.network.down, &Monitor::downChanged);
    assign(up_, snapshot.network.up, &Monitor::upChanged);

    if (snapshot.processes) {
        setProcesses(*snapshot.processes);
    }
    assign(sampledAt_, clock_(), &Monitor::sampledAtChanged);
    tickAt_ = snapshot.at;
    measureClosedCost(snapshot);
    forgetFinishedQuits();

    findFrontApp(snapshot);
    decide(snapshot);

    if (onSample_) {
        onSample_();
    }
}

void Monitor::findFrontApp(const Snapshot& snapshot) {
    std::vector<FrontAppCandidate> named =
        frontAppSource_ ? frontAppSource_->candidates() : std::vector<FrontAppCandidate>{};
    if (!named.empty()) {
        if (auto front = chooseFrontApp(named)) {
            frontApp_ = std::move(front);
        }
        return;
    }
    // Where the platform knows only the front window's process, the sampling thread worked out
    // its app with the app list; unknown there is unknown here, never the app before.
    if (snapshot.processes) {
        frontApp_ = snapshot.frontApp;
    }
}

void Monitor::setProcesses(std::vector<ProcessUsage> processes) {
    if (!(processes_ == processes)) {
        processes_ = std::move(processes);
        emit processesChanged();
    }
}

void Monitor::measureClosedCost(const Snapshot& snapshot) {
    if (!snapshot.processes || isOpen_ || !(secondsBetween(closedAt_, tickAt_) > closedCostAfter)) {
        return;
    }
    for (const ProcessUsage& row : *snapshot.processes) {
        if (row.isSelf(self_)) {
            assign(closedCost_, std::optional<double>(row.cpu), &Monitor::closedCostChanged);
            return;
        }
    }
}

void Monitor::forgetFinishedQuits() {
    if (quitting_.empty()) {
        return;
    }
    bool changed = false;
    for (auto it = quitting_.begin(); it != quitting_.end();) {
        bool recent = secondsBetween(it->second, tickAt_) < quitGivesUpAfter;
        bool listed = std::any_of(processes_.begin(), processes_.end(),
                                  [&](const ProcessUsage& row) { return row.id == it->first; });
        if (recent && listed) {
            ++it;
        } else {
            it = quitting_.erase(it);
            changed = true;
        }
    }
    if (changed) {
        emit quittingChanged();
    }
}

void Monitor::setOpen(bool open) {
    bool justOpened = open && !isOpen_;
    QMetaObject::invokeMethod(
        worker_, [w = worker_, open, justOpened] { w->setPanelOpen(open, justOpened); },
        Qt::QueuedConnection);
    assign(isOpen_, open, &Monitor::isOpenChanged);
    if (open) {
        tick();
    } else {
        closedAt_ = steady_();
    }
}

void Monitor::askToQuitUnlisted(const std::string& path) {
    auto quitIn = [this, path](std::vector<ProcessUsage> rows) {
        QMetaObject::invokeMethod(
            this,
            [this, path, rows = std::move(rows)] {
                if (apps_) {
                    apps_->quit(path, rows);
                }
            },
            Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(
        worker_, [w = worker_, id = "app:" + path, quitIn] { w->refreshProcessesWith(id, quitIn); },
        Qt::QueuedConnection);
}

void Monitor::tick() {
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->refreshProcesses(); }, Qt::QueuedConnection);
}

void Monitor::setHeld(std::set<std::string> ids) {
    QMetaObject::invokeMethod(
        worker_, [w = worker_, ids = std::move(ids)] { w->setHeld(ids); }, Qt::QueuedConnection);
}

void Monitor::markQuitting(const std::string& id, Moment at) {
    quitting_[id] = at;
    emit quittingChanged();
}

bool Monitor::isQuitting(const ProcessUsage& process) const {
    return quitting_.count(process.id) > 0;
}

std::optional<ProcessUsage> Monitor::culprit() const {
    return culpritFor(trouble(), processes_, self_);
}

std::optional<std::string> Monitor::healthDetail() const {
    Verdict v = verdict();
    return tv::healthDetail(v.trouble, memory_.pressure, thermalState_, culprit(), *words_);
}

}  // namespace tv
