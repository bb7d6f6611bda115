#include "speedtest/tool/LatencyProbe.h"

#include <QNetworkReply>

namespace tv::netquality {

LatencyProbe::LatencyProbe(QUrl url, QObject* parent) : QObject(parent), url_(std::move(url)) {}

void LatencyProbe::fetch() {
    ++fetches_;
    QNetworkRequest r = request(url_);
    // Latency on an idle connection must not wait forever on a lost server.
    r.setTransferTimeout(10'000);
    timer_.start();
    QNetworkReply* reply = manager_.get(r);
    // The small object is small; a large one would make the probe a download.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > (1 << 20)) {
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        double ms = static_cast<double>(timer_.nsecsElapsed()) / 1e6;
        reply->readAll();
        reply->deleteLater();
        if (std::optional<Failure> failure = failureOf(*reply)) {
            emit failed(*failure);
        } else if (fetches_ < 2) {
            fetch();
        } else {
            emit measured(ms);
        }
    });
}

}  // namespace tv::netquality
