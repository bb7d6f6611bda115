#include "platform/linux/desktop/DBusFileManager.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QUrl>

namespace tv::linux_os {

DBusFileManager::DBusFileManager(QDBusConnection bus, int timeoutMs)
    : bus_(std::move(bus)), timeoutMs_(timeoutMs) {}

void DBusFileManager::showItem(const std::string& path, std::function<void(bool shown)> done) {
    if (!bus_.isConnected()) {
        done(false);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    QString uri = QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded);
    // No startup id: the file manager's window takes focus by the desktop's own rules.
    call << QStringList{uri} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, timeoutMs_));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [watcher, done = std::move(done)] {
                         watcher->deleteLater();
                         done(!watcher->isError());
                     });
}

}  // namespace tv::linux_os

namespace tv::platform {

std::unique_ptr<FileManager> fileManager() {
    return std::make_unique<linux_os::DBusFileManager>(QDBusConnection::sessionBus());
}

}  // namespace tv::platform
