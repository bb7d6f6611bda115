#include "feedback/CrashOffer.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QThreadPool>

#include <cmath>

#include "settings/SettingKeys.h"
#include "settings/Settings.h"

namespace tv::CrashOffer {

Date since(double askedUntil, std::optional<Date> firstLaunch, Date now) {
    if (std::isfinite(askedUntil) && askedUntil > 0) {
        return dateFromSeconds(askedUntil);
    }
    return firstLaunch.value_or(now);
}

Date since(const Settings& settings, Date now) {
    return since(settings.real(SettingKeys::crashesAskedUntil),
                 settings.date(SettingKeys::firstLaunch), now);
}

void recordAnswer(Settings& settings, Date written) {
    settings.setReal(SettingKeys::crashesAskedUntil, secondsSinceEpoch(written));
}

std::optional<QByteArray> read(const std::string& file) {
    QFile report(QString::fromStdString(file));
    if (!report.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // One byte more than allowed tells an oversized file from one of exactly the limit.
    QByteArray bytes = report.read(largestReport + 1);
    if (report.error() != QFileDevice::NoError || bytes.size() > largestReport) {
        return std::nullopt;
    }
    return bytes;
}

void send(Site& site, const std::string& file, QObject* context, Site::Done done) {
    // The guards are made here and read only on the application's thread.
    QPointer<Site> to(&site);
    QPointer<QObject> asker(context);
    QThreadPool::globalInstance()->start([file, to, asker, done = std::move(done)]() mutable {
        std::optional<QByteArray> bytes = read(file);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [to, asker, bytes = std::move(bytes), done = std::move(done)]() mutable {
                if (!asker) {
                    return;
                }
                if (!bytes) {
                    done(QStringLiteral("The crash report could not be read."));
                } else if (!to) {
                    done(QStringLiteral("The site is gone."));
                } else {
                    to->post(QString::fromLatin1(path), *bytes, "text/plain", std::move(done));
                }
            },
            Qt::QueuedConnection);
    });
}

}  // namespace tv::CrashOffer
