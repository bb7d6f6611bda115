#include "speedtest/tool/Requests.h"

#include <QNetworkReply>

namespace tv::netquality {

QNetworkRequest request(const QUrl& url) {
    QNetworkRequest r(url);
    r.setRawHeader("Accept-Encoding", "identity");
    r.setRawHeader("User-Agent", "tallyvane-netquality/1");
    r.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    r.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    return r;
}

bool answeredOk(const QNetworkReply& reply) {
    QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return !status.isValid() || (status.toInt() >= 200 && status.toInt() < 300);
}

std::optional<Failure> failureOf(QNetworkReply& reply) {
    QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() >= 300)) {
        return Failure{status.toInt(), QStringLiteral("http"),
                       QStringLiteral("The server answered ") + QString::number(status.toInt()) +
                           QLatin1Char(' ') +
                           reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()};
    }
    if (reply.error() != QNetworkReply::NoError) {
        return Failure{static_cast<int>(reply.error()), QStringLiteral("network"),
                       reply.errorString()};
    }
    if (!status.isValid()) {
        return Failure{static_cast<int>(QNetworkReply::ProtocolFailure), QStringLiteral("network"),
                       QStringLiteral("No HTTP answer from ") + reply.url().toDisplayString()};
    }
    return std::nullopt;
}

}  // namespace tv::netquality
