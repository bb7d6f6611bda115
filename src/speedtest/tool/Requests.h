#pragma once

#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkReply;

namespace tv::netquality {

// Why a run could not measure, as the tool reports it.
struct Failure {
    int code = 0;
    QString domain;  // "network", "http", "config", "usage", "signal"
    QString message;
};

// How every request of a run is made: HTTP/1.1 (one connection per flow, never one shared
// HTTP/2 session), no compression, no cache.
QNetworkRequest request(const QUrl& url);

// What went wrong with a finished reply, if anything: a transport error, or an answer that
// is not 2xx.
std::optional<Failure> failureOf(QNetworkReply& reply);

// Whether the reply's answer so far is a 2xx (true while no status is known yet).
bool answeredOk(const QNetworkReply& reply);

}  // namespace tv::netquality
