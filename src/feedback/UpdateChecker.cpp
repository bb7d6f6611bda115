#include "feedback/UpdateChecker.h"

#include <QRegularExpression>
#include <QVersionNumber>

#include "feedback/Site.h"
#include "settings/Settings.h"

namespace tv {

namespace {

// The feed is two short lines; anything longer is not read.
constexpr qint64 longestFeed = 4096;
// While automatic checks are off, a tick looks again this much later.
constexpr double lookAgainAfter = 60;

}  // namespace

UpdateChecker::UpdateChecker(Settings& settings, Site& site, QString currentVersion,
                             QObject* parent)
    : QObject(parent), settings_(settings), site_(site), current_(std::move(currentVersion)) {}

bool UpdateChecker::automatic() const {
    return settings_.flag(automaticKey);
}

void UpdateChecker::setAutomatic(bool on) {
    settings_.setBoolean(automaticKey, on);
    nextLook_.reset();
}

void UpdateChecker::tick(Date now) {
    if (nextLook_ && now < *nextLook_) {
        return;
    }
    if (!automatic()) {
        nextLook_ = now + Seconds(lookAgainAfter);
        return;
    }
    double last = settings_.real(checkedAtKey);
    double since = secondsSinceEpoch(now) - last;
    // A last check "in the future" means the clock was set back: it does not count.
    if (last > 0 && since >= 0 && since < checkEvery) {
        nextLook_ = dateFromSeconds(last + checkEvery);
        return;
    }
    settings_.setReal(checkedAtKey, secondsSinceEpoch(now));
    nextLook_ = now + Seconds(checkEvery);
    checkNow([this](const UpdateAnswer& answer) {
        if (answer.kind == UpdateAnswer::Kind::newer) {
            emit newerFound(answer);
        }
    });
}

bool UpdateChecker::isNewer(const QString& candidate, const QString& current) {
    QVersionNumber a = QVersionNumber::fromString(candidate.trimmed());
    QVersionNumber b = QVersionNumber::fromString(current.trimmed());
    return !a.isNull() && QVersionNumber::compare(a, b) > 0;
}

UpdateAnswer UpdateChecker::read(const std::optional<QByteArray>& body, const QString& current,
                                 const QUrl& downloads) {
    if (!body) {
        return {};
    }
    QStringList lines = QString::fromUtf8(body->left(longestFeed)).split(QLatin1Char('\n'));
    QString version = lines.value(0).trimmed();
    static const QRegularExpression plain(QStringLiteral("^[0-9]{1,6}(\\.[0-9]{1,6}){0,3}$"));
    if (!plain.match(version).hasMatch()) {
        return {};
    }
    if (!isNewer(version, current)) {
        return {UpdateAnswer::Kind::upToDate, {}, {}};
    }
    QUrl link(lines.value(1).trimmed(), QUrl::StrictMode);
    bool usable =
        link.isValid() && !link.host().isEmpty() &&
        (link.scheme() == QLatin1String("https") || link.scheme() == QLatin1String("http"));
    return {UpdateAnswer::Kind::newer, version, usable ? link : downloads};
}

void UpdateChecker::checkNow(std::function<void(UpdateAnswer)> done) {
    waiting_.push_back(std::move(done));
    if (waiting_.size() > 1) {
        return;
    }
    site_.get(QString::fromLatin1(feedPath), longestFeed,
              [this](const std::optional<QByteArray>& body) {
                  UpdateAnswer answer =
                      read(body, current_, site_.address(QString::fromLatin1(downloadsPath)));
                  // A failed check says nothing about what is out.
                  if (answer.kind == UpdateAnswer::Kind::newer) {
                      newer_ = answer;
                  } else if (answer.kind == UpdateAnswer::Kind::upToDate) {
                      newer_.reset();
                  }
                  std::vector<std::function<void(UpdateAnswer)>> waiting;
                  waiting.swap(waiting_);
                  for (auto& done : waiting) {
                      done(answer);
                  }
              });
}

}  // namespace tv
