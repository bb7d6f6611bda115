#include "feedback/Site.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

namespace tv {

namespace {

// Beyond the part of an answer that is kept, a site that keeps sending is cut off after this
// much more.
constexpr qint64 longestAnswer = 1 << 20;

// The proxy the system's settings give for each request ($https_proxy, $no_proxy, ...),
// for this site's requests only.
class SystemProxies : public QNetworkProxyFactory {
  public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        return systemProxyForQuery(query);
    }
};

QUrl withTrailingSlash(QUrl url) {
    if (!url.path().endsWith(QLatin1Char('/'))) {
        url.setPath(url.path() + QLatin1Char('/'));
    }
    return url;
}

}  // namespace

Site::Site(QObject* parent) : Site(configuredUrl(), defaultTimeoutMs, parent) {}

Site::Site(QUrl url, int timeoutMs, QObject* parent)
    : QObject(parent), url_(withTrailingSlash(std::move(url))), timeoutMs_(timeoutMs) {}

QUrl Site::configuredUrl() {
    QUrl given(qEnvironmentVariable("TALLYVANE_SITE_URL"), QUrl::StrictMode);
    bool usable =
        given.isValid() && !given.host().isEmpty() &&
        (given.scheme() == QLatin1String("https") || given.scheme() == QLatin1String("http")) &&
        !given.hasQuery() && !given.hasFragment();
    return usable ? given : QUrl(QString::fromLatin1(defaultUrl));
}

QUrl Site::address(const QString& path) const {
    return url_.resolved(QUrl(path));
}

QNetworkAccessManager& Site::network() {
    if (!network_) {
        network_ = new QNetworkAccessManager(this);
        network_->setProxyFactory(new SystemProxies);
        network_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }
    return *network_;
}

void Site::await(QNetworkReply* reply, qint64 longest, std::function<void(Answer)> done) {
    auto kept = std::make_shared<QByteArray>();
    connect(reply, &QNetworkReply::readyRead, reply,
            [reply, kept, longest, seen = qint64(0)]() mutable {
                QByteArray chunk = reply->readAll();
                seen += chunk.size();
                if (kept->size() < longest) {
                    kept->append(chunk.left(longest - kept->size()));
                }
                if (seen > longest + longestAnswer) {
                    reply->abort();
                }
            });
    connect(reply, &QNetworkReply::finished, this, [reply, kept, done = std::move(done)] {
        reply->deleteLater();
        int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        // Qt reports a 4xx or 5xx status as an error too; those are told by their status.
        // With any other status (or none) an error is the transfer's own.
        bool failed = reply->error() != QNetworkReply::NoError && status < 400;
        done(Answer{status, *kept, failed, reply->errorString()});
    });
}

void Site::post(const QString& path, const QByteArray& body, const QByteArray& type, Done done) {
    QNetworkRequest request(address(path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, type);
    request.setTransferTimeout(timeoutMs_);
    await(network().post(request, body), 0, [done = std::move(done)](const Answer& answer) {
        if (answer.accepted()) {
            done(std::nullopt);
        } else if (answer.failed || answer.status == 0) {
            done(answer.error);
        } else {
            done(QStringLiteral("The site answered with status %1.").arg(answer.status));
        }
    });
}

void Site::get(const QString& path, qint64 longest,
               std::function<void(std::optional<QByteArray>)> done) {
    QNetworkRequest request(address(path));
    request.setTransferTimeout(timeoutMs_);
    await(network().get(request), longest, [done = std::move(done)](const Answer& answer) {
        done(answer.accepted() ? std::optional<QByteArray>(answer.body) : std::nullopt);
    });
}

}  // namespace tv
