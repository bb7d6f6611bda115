#include "speedtest/tool/NetQuality.h"

#include <QNetworkReply>

#include <algorithm>
#include <cmath>

#include "speedtest/tool/LatencyProbe.h"

namespace tv::netquality {

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

NetQuality::NetQuality(ToolOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&deadline_, &QTimer::timeout, this, &NetQuality::timeUp);
}

void NetQuality::start() {
    clock_.start();
    // Room to end the flows and print within the bound.
    deadline_.start(static_cast<int>(std::max(0.5, options_.maxSeconds - 0.25) * 1000));
    if (options_.configUrl.isEmpty()) {
        configured(ProbeConfig::builtIn());
        return;
    }
    QUrl url = QUrl::fromUserInput(options_.configUrl);
    QNetworkRequest r = request(url);
    QNetworkReply* reply = configManager_.get(r);
    // A configuration is a few hundred bytes; a huge answer is not one.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > maxConfig) {
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, url] {
        reply->deleteLater();
        if (over_) {
            return;
        }
        if (std::optional<Failure> failure = failureOf(*reply)) {
            failure->message =
                QStringLiteral("Could not read the configuration: ") + failure->message;
            fail(*failure);
            return;
        }
        std::optional<ProbeConfig> config = ProbeConfig::parse(reply->readAll(), url);
        if (!config) {
            fail(Failure{-1, QStringLiteral("config"),
                         QStringLiteral("The configuration has no usable download, small "
                                        "download and upload addresses")});
            return;
        }
        configured(*config);
    });
}

void NetQuality::configured(const ProbeConfig& config) {
    config_ = config;
    idleEnds_ = elapsed() + options_.maxSeconds * idleShare;
    probeIdle();
}

void NetQuality::probeIdle() {
    auto* probe = new LatencyProbe(config_.smallDownload, this);
    probe_ = probe;
    connect(probe, &LatencyProbe::measured, this, [this, probe](double ms) {
        probe->deleteLater();
        idle_.push_back(ms);
        if (static_cast<int>(idle_.size()) >= idleProbes || elapsed() >= idleEnds_) {
            startLoad();
        } else {
            probeIdle();
        }
    });
    connect(probe, &LatencyProbe::failed, this, [this, probe](const Failure& failure) {
        probe->deleteLater();
        fail(failure);
    });
    probe->start();
}

void NetQuality::startLoad() {
    loading_ = true;
    double left = std::max(0.5, deadline_.remainingTime() / 1000.0);
    download_ = new Load(Flow::Kind::download, config_.largeDownload, options_.maxBytes, this);
    upload_ = new Load(Flow::Kind::upload, config_.upload, options_.maxBytes, this);
    for (Load* load : {download_, upload_}) {
        connect(load, &Load::ended, this, &NetQuality::loadEnded);
        connect(load, &Load::failed, this, &NetQuality::fail);
    }
    if (options_.sequential) {
        // The download gets half the time left; the upload whatever remains after it.
        download_->start(left / 2);
    } else {
        download_->start(left);
        upload_->start(left);
    }
    probeLoaded();
}

void NetQuality::probeLoaded() {
    auto* probe = new LatencyProbe(config_.smallDownload, this);
    probe_ = probe;
    double startedAt = elapsed();
    auto next = [this, probe, startedAt] {
        probe->deleteLater();
        // Probes are paced: each opens a connection, and on a short path back-to-back probes
        // would cost more than the load they measure.
        double wait = std::max(0.0, startedAt + loadedProbeEvery - elapsed());
        QTimer::singleShot(static_cast<int>(wait * 1000), this, [this] {
            if (!over_ && loading_) {
                probeLoaded();
            }
        });
    };
    connect(probe, &LatencyProbe::measured, this, [this, next](double ms) {
        loaded_.push_back(ms);
        next();
    });
    // A probe lost under load says nothing about reachability; the flows do.
    connect(probe, &LatencyProbe::failed, this, next);
    probe->start();
}

void NetQuality::loadEnded() {
    if (over_) {
        return;
    }
    bool uploadWaits = options_.sequential && upload_->flows() == 0 && !upload_->running();
    if (uploadWaits && !timeIsUp_ && !download_->running()) {
        upload_->start(std::max(0.5, deadline_.remainingTime() / 1000.0));
        return;
    }
    if (download_->running() || upload_->running()) {
        return;
    }
    over_ = true;
    stopAll();
    QJsonObject figures;
    figures[QStringLiteral("dl_throughput")] = std::round(download_->goodput());
    figures[QStringLiteral("ul_throughput")] = std::round(upload_->goodput());
    figures[QStringLiteral("base_rtt")] = std::round(median(idle_) * 1000) / 1000;
    figures[QStringLiteral("dl_flows")] = download_->flows();
    figures[QStringLiteral("ul_flows")] = upload_->flows();
    if (!loaded_.empty()) {
        figures[QStringLiteral("responsiveness")] = std::round(60'000 / median(loaded_));
    }
    figures[QStringLiteral("test_endpoint")] = config_.largeDownload.host();
    // What the run moved, for anyone weighing its cost.
    figures[QStringLiteral("dl_bytes")] = static_cast<double>(download_->bytes());
    figures[QStringLiteral("ul_bytes")] = static_cast<double>(upload_->bytes());
    emit done(figures);
}

void NetQuality::timeUp() {
    if (over_) {
        return;
    }
    if (!loading_) {
        fail(Failure{static_cast<int>(QNetworkReply::TimeoutError), QStringLiteral("network"),
                     QStringLiteral("The server did not answer in time")});
        return;
    }
    // Whatever direction is still loading ends with what it measured; one never started
    // measured nothing.
    timeIsUp_ = true;
    download_->finish();
    upload_->finish();
    loadEnded();
}

void NetQuality::fail(const Failure& failure) {
    if (over_) {
        return;
    }
    over_ = true;
    stopAll();
    emit failed(failure);
}

void NetQuality::interrupt(int signal) {
    fail(Failure{signal, QStringLiteral("signal"), QStringLiteral("Interrupted")});
}

void NetQuality::stopAll() {
    loading_ = false;
    deadline_.stop();
    configManager_.disconnect(this);
    if (probe_) {
        probe_->disconnect(this);
        probe_->deleteLater();
    }
    for (Load* load : {download_, upload_}) {
        if (load) {
            load->disconnect(this);
            load->stop();
        }
    }
}

}  // namespace tv::netquality
