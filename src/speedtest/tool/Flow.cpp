#include "speedtest/tool/Flow.h"

#include <QNetworkReply>

#include <algorithm>
#include <array>

#include "speedtest/tool/UploadBody.h"

namespace tv::netquality {

Flow::Flow(Kind kind, QUrl url, std::function<qint64()> nextUpload, std::function<qint64()> room,
           QObject* parent)
    : QObject(parent),
      kind_(kind),
      url_(std::move(url)),
      nextUpload_(std::move(nextUpload)),
      room_(std::move(room)) {}

void Flow::stop() {
    stopped_ = true;
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
}

void Flow::issue() {
    if (stopped_) {
        return;
    }
    QNetworkReply* reply = nullptr;
    if (kind_ == Kind::download) {
        reply = manager_.get(request(url_));
        // Read as it arrives, so a slow reader never becomes the bottleneck or a memory hog.
        reply->setReadBufferSize(1 << 20);
        received_ = 0;
        connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
            if (!answeredOk(*reply)) {
                done(reply);
                return;
            }
            std::array<char, 64 * 1024> sink;
            // What arrives beyond the load's room is left unread: the load ends at it.
            qint64 room = room_ ? room_() : 0;
            qint64 total = 0;
            for (qint64 n;
                 total < room &&
                 (n = reply->read(sink.data(), std::min<qint64>(sink.size(), room - total))) > 0;) {
                total += n;
            }
            if (total > 0) {
                received_ += total;
                emit moved(total);
            }
        });
    } else {
        qint64 size = nextUpload_();
        if (size <= 0) {
            return;
        }
        QNetworkRequest r = request(url_);
        r.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/octet-stream"));
        auto* body = new UploadBody(size);
        reply = manager_.post(r, body);
        body->setParent(reply);
        sent_ = 0;
        connect(reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64) {
            if (sent > sent_) {
                emit moved(sent - sent_);
                sent_ = sent;
            }
        });
    }
    reply_ = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { done(reply); });
}

void Flow::done(QNetworkReply* reply) {
    reply->disconnect(this);
    std::optional<Failure> failure = failureOf(*reply);
    // A server that hangs up before the whole body arrived may look like a finished reply.
    bool cutShort = false;
    if (kind_ == Kind::download && !failure) {
        for (qint64 n; (n = reply->read(1 << 16).size()) > 0;) {
            received_ += n;
        }
        QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        cutShort = length.isValid() && received_ < length.toLongLong();
    }
    if (!failure && (!reply->isFinished() || cutShort)) {
        failure = Failure{0, QStringLiteral("network"), QStringLiteral("Transfer ended early")};
    }
    reply->abort();
    reply->deleteLater();
    if (stopped_) {
        return;
    }
    if (failure) {
        stopped_ = true;
        emit failed(*failure);
        return;
    }
    issue();
}

}  // namespace tv::netquality
