#include "monitor/SamplerWorker.h"

namespace tv {

SamplerWorker::SamplerWorker(std::unique_ptr<Sampler> sampler, SnapshotSink snapshots,
                             ProcessSink processes)
    : sampler_(std::move(sampler)),
      snapshots_(std::move(snapshots)),
      processes_(std::move(processes)) {}

void SamplerWorker::start() {
    if (timer_ != nullptr) {
        return;
    }
    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(intervalMs);
    connect(timer_, &QTimer::timeout, this, &SamplerWorker::takeReading);
    timer_->start();
    takeReading();
}

void SamplerWorker::takeReading() {
    snapshots_(sampler_->sample());
}

void SamplerWorker::setPanelOpen(bool open, bool justOpened) {
    sampler_->setWantsProcesses(open);
    if (justOpened) {
        sampler_->setJustOpened(true);
    }
}

void SamplerWorker::setHeld(const std::set<std::string>& ids) {
    sampler_->setHeld(ids);
}

void SamplerWorker::refreshProcessesWith(const std::string& id, const ProcessSink& then) {
    std::vector<ProcessUsage> rows = sampler_->readProcessesWith(id);
    processes_(rows);
    then(std::move(rows));
}

void SamplerWorker::refreshProcesses() {
    processes_(sampler_->readProcesses());
}

}  // namespace tv
