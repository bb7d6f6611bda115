#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <optional>
#include <vector>

#include "speedtest/tool/Load.h"
#include "speedtest/tool/ProbeConfig.h"
#include "speedtest/tool/Requests.h"
#include "speedtest/tool/ToolOptions.h"

namespace tv::netquality {

class LatencyProbe;

// One measurement, within the options' time bound: the configuration (when one is named),
// then the idle latency (the median of up to ten probes on fresh connections), then the load
// in both directions (together, or one after the other), with latency probes on fresh
// connections running beside the load for the responsiveness. Reports once: `done` with the
// figures, or `failed`. A run that could not reach the server never reports a throughput.
class NetQuality : public QObject {
    Q_OBJECT
  public:
    static constexpr int idleProbes = 10;
    // The idle latency takes at most this share of the time bound once one probe answered.
    static constexpr double idleShare = 0.15;
    // Under load, a latency probe starts at most this often, in seconds.
    static constexpr double loadedProbeEvery = 0.2;
    // The largest configuration read, in bytes.
    static constexpr qint64 maxConfig = 1 << 20;

    explicit NetQuality(ToolOptions options, QObject* parent = nullptr);
    void start();
    // Ends at once, reporting nothing further; a signal's number becomes the error code.
    void interrupt(int signal);

  signals:
    void done(const QJsonObject& figures);
    void failed(const tv::netquality::Failure& failure);

  private:
    double elapsed() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e9; }
    void configured(const ProbeConfig& config);
    void probeIdle();
    void startLoad();
    void probeLoaded();
    void loadEnded();
    void fail(const Failure& failure);
    void timeUp();
    void stopAll();

    ToolOptions options_;
    ProbeConfig config_;
    QElapsedTimer clock_;
    QTimer deadline_;
    QNetworkAccessManager configManager_;
    std::vector<double> idle_;
    std::vector<double> loaded_;
    double idleEnds_ = 0;
    QPointer<LatencyProbe> probe_;
    Load* download_ = nullptr;
    Load* upload_ = nullptr;
    bool loading_ = false;
    bool timeIsUp_ = false;
    bool over_ = false;
};

}  // namespace tv::netquality
