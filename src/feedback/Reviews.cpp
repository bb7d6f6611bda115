#include "feedback/Reviews.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>

#include <algorithm>

#include "settings/SettingKeys.h"
#include "settings/Settings.h"

namespace tv::Reviews {

namespace {

// A text as a JSON string, quotes included.
QByteArray quoted(const QString& text) {
    QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

}  // namespace

Review make(int stars, const QString& comment, const QString& version, const QString& os) {
    return Review{stars, comment.trimmed(), version, os};
}

QByteArray json(const Review& review) {
    return "{\"stars\":" + QByteArray::number(review.stars) +
           ",\"comment\":" + quoted(review.comment) + ",\"version\":" + quoted(review.version) +
           ",\"os\":" + quoted(review.os) + "}";
}

void send(Site& site, const Review& review, Site::Done done) {
    if (review.stars < 1 || review.stars > 5) {
        done(QStringLiteral("A review needs 1 to 5 stars."));
        return;
    }
    site.post(QString::fromLatin1(path), json(review), "application/json", std::move(done));
}

void submit(Site& site, Settings& settings, const Review& review, QObject* context,
            Site::Done done) {
    QPointer<QObject> asker(context);
    send(site, review,
         [stored = &settings, stars = review.stars, asker,
          done = std::move(done)](std::optional<QString> error) {
             if (!error) {
                 recordSent(*stored, stars);
             }
             if (asker) {
                 done(std::move(error));
             }
         });
}

ReviewTiming timing(const Settings& settings) {
    return ReviewTiming{
        settings.date(SettingKeys::firstLaunch), settings.integer(SettingKeys::reviewStars),
        settings.integer(SettingKeys::reviewNotNow), settings.real(SettingKeys::reviewNotNowAt)};
}

void putOff(Settings& settings, Date now) {
    int times = std::max(0, settings.integer(SettingKeys::reviewNotNow));
    settings.setInteger(SettingKeys::reviewNotNow, times + 1);
    settings.setReal(SettingKeys::reviewNotNowAt, secondsSinceEpoch(now));
}

void recordSent(Settings& settings, int stars) {
    settings.setInteger(SettingKeys::reviewStars, stars);
}

QUrl supportMail(const QString& version) {
    QByteArray subject = QUrl::toPercentEncoding(QStringLiteral("TallyVane ") + version);
    return QUrl::fromEncoded(QByteArray("mailto:") + supportAddress + "?subject=" + subject);
}

}  // namespace tv::Reviews
