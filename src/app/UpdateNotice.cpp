#include "app/UpdateNotice.h"

namespace tv {

UpdateNotice::UpdateNotice(Settings& settings, UpdateChecker& updates, Notices& notices,
                           std::function<void(const QUrl&)> openUrl, QObject* parent)
    : QObject(parent), settings_(settings), notices_(notices), openUrl_(std::move(openUrl)) {
    connect(&updates, &UpdateChecker::newerFound, this, &UpdateNotice::announce);
}

void UpdateNotice::announce(const UpdateAnswer& answer) {
    QString announced = settings_.text(announcedKey).value_or(QString());
    // Once per version, and never for one older than a version already announced (a feed
    // that steps back).
    if (!announced.isEmpty() && !UpdateChecker::isNewer(answer.version, announced)) {
        return;
    }
    settings_.setText(announcedKey, answer.version);
    link_ = answer.link;
    QString page = QString::fromUtf8(answer.link.toEncoded());
    notices_.post(AlertMessage{
        id, QStringLiteral("TallyVane %1 is out").arg(answer.version).toStdString(),
        QStringLiteral("Download it at %1").arg(page).toStdString(), std::nullopt, false});
}

bool UpdateNotice::respond(const NotificationResponse& response) {
    if (response.id != id) {
        return false;
    }
    if ((response.action == "download" || response.action == "default") && link_.isValid()) {
        if (openUrl_) {
            openUrl_(link_);
        }
        notices_.withdraw(id);
    }
    return true;
}

}  // namespace tv
