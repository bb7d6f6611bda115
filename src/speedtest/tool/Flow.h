#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>

#include "speedtest/tool/Requests.h"

class QNetworkReply;

namespace tv::netquality {

// One load-generating flow on a TCP connection of its own: downloads the large object again
// and again, or uploads bodies to the sink again and again, reporting every byte moved.
// A download counts the bytes it read, never more than its load has room for; an upload the
// bytes handed to the socket.
class Flow : public QObject {
    Q_OBJECT
  public:
    enum class Kind { download, upload };

    // `nextUpload` sizes each upload's body; 0 means send no more. `room` says how many bytes
    // a download may still read.
    Flow(Kind kind, QUrl url, std::function<qint64()> nextUpload, std::function<qint64()> room,
         QObject* parent = nullptr);
    void start() { issue(); }
    // Ends the flow's transfer; nothing is reported after this.
    void stop();

  signals:
    void moved(qint64 bytes);
    void failed(const tv::netquality::Failure& failure);

  private:
    void issue();
    void done(QNetworkReply* reply);

    Kind kind_;
    QUrl url_;
    std::function<qint64()> nextUpload_;
    std::function<qint64()> room_;
    QNetworkAccessManager manager_;
    QPointer<QNetworkReply> reply_;
    qint64 sent_ = 0;
    qint64 received_ = 0;  // of the current download's body
    bool stopped_ = false;
};

}  // namespace tv::netquality
