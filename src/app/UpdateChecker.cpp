#include "app/UpdateChecker.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QVersionNumber>

#include "settings/Settings.h"

namespace tv {

UpdateChecker::UpdateChecker(Settings& settings, QUrl feed, QString currentVersion, QObject* parent)
    : QObject(parent),
      settings_(settings),
      feed_(std::move(feed)),
      current_(std::move(currentVersion)) {}

bool UpdateChecker::automatic() const {
    return settings_.flag(automaticKey);
}

void UpdateChecker::setAutomatic(bool on) {
    settings_.setBoolean(automaticKey, on);
}

void UpdateChecker::start() {
    if (automatic()) {
        checkNow([](const QString&) {});
    }
}

bool UpdateChecker::isNewer(const QString& candidate, const QString& current) {
    QVersionNumber a = QVersionNumber::fromString(candidate.trimmed());
    QVersionNumber b = QVersionNumber::fromString(current.trimmed());
    return !a.isNull() && QVersionNumber::compare(a, b) > 0;
}

void UpdateChecker::checkNow(std::function<void(QString)> done) {
    if (!network_) {
        network_ = new QNetworkAccessManager(this);
    }
    QNetworkRequest request(feed_);
    request.setTransferTimeout(15000);
    QNetworkReply* reply = network_->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, done = std::move(done)] {
        reply->deleteLater();
        QString newer;
        if (reply->error() == QNetworkReply::NoError) {
            QString line = QString::fromUtf8(reply->read(64)).section(QLatin1Char('\n'), 0, 0);
            if (isNewer(line, current_)) {
                newer = line.trimmed();
            }
        }
        done(newer);
    });
}

}  // namespace tv
