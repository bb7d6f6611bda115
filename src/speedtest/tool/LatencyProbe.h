#pragma once

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

#include "speedtest/tool/Requests.h"

namespace tv::netquality {

// One latency measurement on a connection of its own: the small object is fetched twice; the
// first fetch opens the connection (TCP and TLS set-up), the second one's round trip is the
// figure, in milliseconds. Reports once, then stays silent.
class LatencyProbe : public QObject {
    Q_OBJECT
  public:
    explicit LatencyProbe(QUrl url, QObject* parent = nullptr);
    void start() { fetch(); }

  signals:
    void measured(double milliseconds);
    void failed(const tv::netquality::Failure& failure);

  private:
    void fetch();

    QUrl url_;
    QNetworkAccessManager manager_;
    QElapsedTimer timer_;
    int fetches_ = 0;
};

}  // namespace tv::netquality
