#include "speedtest/tool/ProbeConfig.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tv::netquality {

namespace {

std::optional<QUrl> address(const QJsonObject& urls, const char* current, const char* older,
                            const QUrl& base) {
    QJsonValue value = urls.value(QLatin1String(current));
    if (!value.isString()) {
        value = urls.value(QLatin1String(older));
    }
    if (!value.isString()) {
        return std::nullopt;
    }
    QUrl url = base.resolved(QUrl(value.toString(), QUrl::StrictMode));
    QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        return std::nullopt;
    }
    return url;
}

}  // namespace

ProbeConfig ProbeConfig::builtIn() {
    // 25 MB per request stays under the service's per-request limit.
    return ProbeConfig{QUrl(QStringLiteral("https://speed.cloudflare.com/__down?bytes=25000000")),
                       QUrl(QStringLiteral("https://speed.cloudflare.com/__down?bytes=0")),
                       QUrl(QStringLiteral("https://speed.cloudflare.com/__up"))};
}

std::optional<ProbeConfig> ProbeConfig::parse(const QByteArray& json, const QUrl& base) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    QJsonObject urls = document.object().value(QLatin1String("urls")).toObject();
    auto large = address(urls, "large_download_url", "large_https_download_url", base);
    auto small = address(urls, "small_download_url", "small_https_download_url", base);
    auto upload = address(urls, "upload_url", "https_upload_url", base);
    if (!large || !small || !upload) {
        return std::nullopt;
    }
    return ProbeConfig{*large, *small, *upload};
}

}  // namespace tv::netquality
