#include "makeway/UndoFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace tv {

namespace {

const QString prefix = QStringLiteral("held-");
const QString suffix = QStringLiteral(".sh");

}  // namespace

UndoFile::UndoFile(QString folder, std::int32_t owner)
    : folder_(std::move(folder)),
      path_(folder_ + QLatin1Char('/') + prefix + QString::number(owner) + suffix) {}

QString UndoFile::defaultFolder() {
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) {
        runtime = QDir::tempPath();
    }
    return runtime + QStringLiteral("/TallyVane");
}

void UndoFile::write(const std::string& commands) {
    if (commands.empty()) {
        remove();
        return;
    }
    QDir().mkpath(folder_);
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(commands.data(), static_cast<qint64>(commands.size()));
    file.write("\n");
    file.commit();
}

void UndoFile::remove() {
    QFile::remove(path_);
}

int UndoFile::replayLeftovers(const QString& folder, std::int32_t self,
                              const std::function<bool(std::int32_t)>& isRunning) {
    int replayed = 0;
    const QStringList names =
        QDir(folder).entryList({prefix + QStringLiteral("*") + suffix}, QDir::Files);
    for (const QString& name : names) {
        bool ok = false;
        auto owner = static_cast<std::int32_t>(
            name.mid(prefix.size(), name.size() - prefix.size() - suffix.size()).toInt(&ok));
        if (!ok || (owner != self && isRunning(owner))) {
            continue;  // another TallyVane still holds these
        }
        QString path = folder + QLatin1Char('/') + name;
        QProcess shell;
        shell.setStandardOutputFile(QProcess::nullDevice());
        shell.setStandardErrorFile(QProcess::nullDevice());
        shell.start(QStringLiteral("/bin/sh"), {path});
        shell.waitForFinished(10'000);
        QFile::remove(path);
        ++replayed;
    }
    return replayed;
}

}  // namespace tv
