#include "settings/Settings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QVariant>

#include <cmath>
#include <utility>

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
    : Settings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/TallyVane/TallyVane.ini")) {}

Settings::Settings(const QString& iniPath)
    : Settings(iniPath, [] { return Moment(std::chrono::steady_clock::now()); }) {}

Settings::Settings(const QString& iniPath, std::function<Moment()> steady)
    : path_(iniPath), steady_(std::move(steady)) {}

void Settings::refresh() const {
    Moment now = steady_();
    if (loaded_ && now - checkedAt_ < sameMoment && now >= checkedAt_) {
        return;
    }
    checkedAt_ = now;
    std::string path = path_.toStdString();
    if (loaded_ && platform::fileStamp(path) == stamp_) {
        return;
    }
    FileRead file = platform::readRegularFile(path, largestFile);
    loaded_ = true;
    stamp_ = file.stamp;
    // Text only: a file holding NUL bytes is not a settings file, whatever its name.
    unreadable_ =
        file.outcome == FileRead::Outcome::unreadable || file.bytes.find('\0') != std::string::npos;
    ini_ = unreadable_ ? IniText() : IniText(file.bytes);
}

bool Settings::unreadable() const {
    refresh();
    return unreadable_;
}

QVariant Settings::value(const char* key) const {
    refresh();
    return ini_.value(QLatin1String(key));
}

bool Settings::isOn(const char* key) const {
    return asBoolean(value(key)).value_or(true);
}

bool Settings::flag(const char* key) const {
    return asBoolean(value(key)).value_or(false);
}

int Settings::integer(const char* key, int fallback) const {
    QVariant stored = value(key);
    if (!stored.isValid()) {
        return fallback;
    }
    bool ok = false;
    int number = stored.toString().trimmed().toInt(&ok);
    return ok ? number : fallback;
}

double Settings::real(const char* key, double fallback) const {
    QVariant stored = value(key);
    if (!stored.isValid()) {
        return fallback;
    }
    bool ok = false;
    double number = stored.toString().trimmed().toDouble(&ok);
    return ok && std::isfinite(number) ? number : fallback;
}

std::optional<QString> Settings::text(const char* key) const {
    QVariant stored = value(key);
    if (!stored.isValid()) {
        return std::nullopt;
    }
    // An INI value with unquoted commas reads back as a list; it was meant as one text.
    if (stored.typeId() == QMetaType::QStringList) {
        return stored.toStringList().join(QLatin1Char(','));
    }
    return stored.toString();
}

std::optional<Date> Settings::date(const char* key) const {
    QVariant stored = value(key);
    if (!stored.isValid()) {
        return std::nullopt;
    }
    // Earlier runs stored dates in the settings library's binary form; now they are text.
    QDateTime when = stored.typeId() == QMetaType::QDateTime
                         ? stored.toDateTime()
                         : QDateTime::fromString(stored.toString(), Qt::ISODateWithMs);
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

bool Settings::setBoolean(const char* key, bool value) {
    return store(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

bool Settings::setInteger(const char* key, int value) {
    return store(key, QString::number(value));
}

bool Settings::setReal(const char* key, double value) {
    if (!std::isfinite(value)) {
        return false;
    }
    return store(key, QString::number(value, 'g', QLocale::FloatingPointShortest));
}

bool Settings::setText(const char* key, const QString& value) {
    return store(key, IniText::encode(value));
}

bool Settings::setDate(const char* key, Date value) {
    auto ms = static_cast<qint64>(std::llround(secondsSinceEpoch(value) * 1000.0));
    return store(key, QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs));
}

bool Settings::remove(const char* key) {
    return store(key, std::nullopt);
}

bool Settings::store(const char* key, const std::optional<QString>& encoded) {
    loaded_ = false;  // edit the file as it is now
    refresh();
    if (unreadable_) {
        return false;
    }
    IniText edited = ini_;
    if (encoded) {
        edited.set(QLatin1String(key), *encoded);
    } else {
        edited.remove(QLatin1String(key));
    }
    std::string bytes = edited.bytes();
    if (bytes == ini_.bytes()) {
        return true;
    }
    // A settings file that is a link (kept with the user's other dotfiles) stays one: the
    // file it points to is replaced. One the user made read-only is left alone.
    QFileInfo info(path_);
    QString target = info.isSymLink() ? info.canonicalFilePath() : path_;
    if (target.isEmpty() || (stamp_.exists && !QFileInfo(target).isWritable()) ||
        !QDir().mkpath(QFileInfo(target).absolutePath()) ||
        !platform::replaceFile(target.toStdString(), bytes, stamp_.exists ? stamp_.mode : 0644)) {
        return false;
    }
    ini_ = std::move(edited);
    stamp_ = platform::fileStamp(path_.toStdString());
    return true;
}

QString Settings::fileName() const {
    return path_;
}

}  // namespace tv
