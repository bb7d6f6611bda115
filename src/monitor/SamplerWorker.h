#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

#include "monitor/Sampler.h"

namespace tv {

// Drives the Sampler on the sampling thread: a precise one-second timer whose first reading
// is taken at once. Snapshots and app lists go to `deliver`, which passes them on as copies.
class SamplerWorker : public QObject {
    Q_OBJECT
  public:
    using SnapshotSink = std::function<void(Snapshot)>;
    using ProcessSink = std::function<void(std::vector<ProcessUsage>)>;

    SamplerWorker(std::unique_ptr<Sampler> sampler, SnapshotSink snapshots, ProcessSink processes);

    // Everything below runs on the sampling thread (invoked there by the Monitor).
    void start();
    void setPanelOpen(bool open, bool justOpened);
    void setHeld(const std::set<std::string>& ids);
    void refreshProcesses();
    // Refreshes the app list with the app of this row id in it, if it runs at all, and hands
    // that list to `then` as well.
    void refreshProcessesWith(const std::string& id, const ProcessSink& then);

    static constexpr int intervalMs = 1000;

  private:
    void takeReading();

    std::unique_ptr<Sampler> sampler_;
    SnapshotSink snapshots_;
    ProcessSink processes_;
    QTimer* timer_ = nullptr;
};

}  // namespace tv
