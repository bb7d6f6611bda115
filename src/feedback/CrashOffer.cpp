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

void send(Site& site, Settings& settings, const std::string& file, Date written, QObject* context,
          Site::Done done) {
    // The guards are made here and read only on the application's thread.
    QPointer<Site> to(&site);
    QPointer<QObject> asker(context);
    // Records an accepted report first, then tells the asker if it is still there.
    Site::Done answer = [stored = &settings, written, asker,
                         done = std::move(done)](std::optional<QString> error) {
        if (!error) {
            recordAnswer(*stored, written);
        }
        if (asker) {
            done(std::move(error));
        }
    };
    QThreadPool::globalInstance()->start([file, to, answer = std::move(answer)]() mutable {
        std::optional<QByteArray> bytes = read(file);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [to, bytes = std::move(bytes), answer = std::move(answer)]() mutable {
                if (!bytes) {
                    answer(QStringLiteral("The crash report could not be read."));
                } else if (!to) {
                    answer(QStringLiteral("The site is gone."));
                } else {
                    to->post(QString::fromLatin1(path), *bytes, "text/plain", std::move(answer));
                }
            },
            Qt::QueuedConnection);
    });
}

}  // namespace tv::CrashOffer
