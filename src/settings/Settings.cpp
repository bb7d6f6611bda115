#include "settings/Settings.h"

#include <QDateTime>
#include <QVariant>

#include <cmath>

#include "settings/SettingKeys.h"

namespace tv {

namespace {

// A stored value as a boolean, when it is one: a real boolean, or the text an INI file keeps
// for one.
std::optional<bool> asBoolean(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    if (value.typeId() == QMetaType::QString) {
        QString text = value.toString();
        if (text == QLatin1String("false")) {
            return false;
        }
        if (text == QLatin1String("true")) {
            return true;
        }
    }
    return std::nullopt;
}

}  // namespace

Settings::Settings()
    : store_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                         QStringLiteral("TallyVane"),
                                         QStringLiteral("TallyVane"))) {}

Settings::Settings(const QString& iniPath)
    : store_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

bool Settings::isOn(const char* key) const {
    return asBoolean(store_->value(QLatin1String(key))).value_or(true);
}

bool Settings::flag(const char* key) const {
    return asBoolean(store_->value(QLatin1String(key))).value_or(false);
}

int Settings::integer(const char* key, int fallback) const {
    QVariant value = store_->value(QLatin1String(key));
    if (!value.isValid()) {
        return fallback;
    }
    bool ok = false;
    int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : fallback;
}

double Settings::real(const char* key, double fallback) const {
    QVariant value = store_->value(QLatin1String(key));
    if (!value.isValid()) {
        return fallback;
    }
    bool ok = false;
    double number = value.toString().trimmed().toDouble(&ok);
    return ok && std::isfinite(number) ? number : fallback;
}

std::optional<QString> Settings::text(const char* key) const {
    QVariant value = store_->value(QLatin1String(key));
    if (!value.isValid()) {
        return std::nullopt;
    }
    // An INI value with unquoted commas reads back as a list; it was meant as one text.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(','));
    }
    return value.toString();
}

std::optional<Date> Settings::date(const char* key) const {
    QVariant value = store_->value(QLatin1String(key));
    if (!value.isValid()) {
        return std::nullopt;
    }
    QDateTime when = value.typeId() == QMetaType::QDateTime
                         ? value.toDateTime()
                         : QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    if (!when.isValid()) {
        return std::nullopt;
    }
    return dateFromSeconds(static_cast<double>(when.toMSecsSinceEpoch()) / 1000.0);
}

QString Settings::panel() const {
    QString value = text(SettingKeys::panel).value_or(QString());
    for (const char* known : {"cpu", "memory", "gpu", "heat"}) {
        if (value == QLatin1String(known)) {
            return value;
        }
    }
    return QStringLiteral("cpu");
}

void Settings::setBoolean(const char* key, bool value) {
    store_->setValue(QLatin1String(key), value);
}

void Settings::setInteger(const char* key, int value) {
    store_->setValue(QLatin1String(key), value);
}

void Settings::setReal(const char* key, double value) {
    store_->setValue(QLatin1String(key), value);
}

void Settings::setText(const char* key, const QString& value) {
    store_->setValue(QLatin1String(key), value);
}

void Settings::setDate(const char* key, Date value) {
    auto ms = static_cast<qint64>(std::llround(secondsSinceEpoch(value) * 1000.0));
    store_->setValue(QLatin1String(key), QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC));
}

void Settings::remove(const char* key) {
    store_->remove(QLatin1String(key));
}

QString Settings::fileName() const {
    return store_->fileName();
}

}  // namespace tv
