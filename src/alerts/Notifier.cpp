#include "alerts/Notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

#include "core/MarkupEscape.h"
#include "platform/UserFiles.h"

namespace tv {

namespace {

QDBusMessage call(const QString& method) {
    return QDBusMessage::createMethodCall(notificationServer, notificationPath, notificationServer,
                                          method);
}

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

Notifier::Notifier(Parts parts, QObject* parent) : QObject(parent), parts_(std::move(parts)) {
    qRegisterMetaType<tv::NotificationResponse>("tv::NotificationResponse");
}

void Notifier::setUp() {
    if (!parts_.bus.isConnected()) {
        return;
    }
    parts_.bus.connect(notificationServer, notificationPath, notificationServer,
                       QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
    parts_.bus.connect(notificationServer, notificationPath, notificationServer,
                       QStringLiteral("NotificationClosed"), this,
                       SLOT(onNotificationClosed(uint, uint)));
    auto* watcher = new QDBusServiceWatcher(notificationServer, parts_.bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) { serverChanged(owner); });
    learnCapabilities();
}

void Notifier::learnCapabilities() {
    learning_ = true;
    askServer([this](bool) {
        learning_ = false;
        std::vector<std::string> parked;
        parked.swap(parked_);
        for (const std::string& id : parked) {
            auto it = entries_.find(id);
            if (it != entries_.end() && !it->second.waiting && it->second.next) {
                AlertMessage next = std::move(*it->second.next);
                it->second.next.reset();
                send(next, it->second);
            }
        }
    });
}

void Notifier::park(const std::string& id) {
    if (std::find(parked_.begin(), parked_.end(), id) == parked_.end()) {
        parked_.push_back(id);
    }
}

void Notifier::serverChanged(const QString& owner) {
    capabilities_.clear();
    // The old server's ids mean nothing to the new one (which counts its own from 1 and may
    // give them to other programs' notifications): nothing of ours is replaced or closed by
    // them, and a notice left showing is no longer there to take back.
    byServerId_.clear();
    for (auto it = entries_.begin(); it != entries_.end();) {
        Entry& entry = it->second;
        if (entry.serverId != 0) {
            remember(it->first, 0);
            entry.serverId = 0;
            entry.appPath.reset();
        }
        if (!entry.waiting && !entry.next) {
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
    if (!owner.isEmpty()) {
        learnCapabilities();
    }
}

QStringList Notifier::actionsFor(const AlertMessage& message) const {
    QStringList actions{QStringLiteral("default"), QString()};
    if (message.id == "makeway") {
        actions << QStringLiteral("resume") << QStringLiteral("Resume");
    } else if (message.id == "update") {
        actions << QStringLiteral("download") << QStringLiteral("Download");
    } else if (message.appPath && parts_.isRunning && parts_.isRunning(*message.appPath)) {
        actions << QStringLiteral("quit") << QStringLiteral("Quit App");
    }
    return actions;
}

void Notifier::post(const AlertMessage& message) {
    if (!parts_.bus.isConnected() || ended_) {
        return;
    }
    Entry& entry = entries_[message.id];
    entry.closeWhenKnown = false;
    if (entry.waiting) {
        entry.next = message;
        return;
    }
    if (learning_) {
        entry.next = message;
        park(message.id);
        return;
    }
    send(message, entry);
}

void Notifier::send(const AlertMessage& message, Entry& entry) {
    QStringList actions = actionsFor(message);
    std::optional<std::string> appPath;
    if (actions.contains(QStringLiteral("quit"))) {
        appPath = message.appPath;
    }
    QDBusMessage notify = call(QStringLiteral("Notify"));
    notify << QStringLiteral("TallyVane") << static_cast<uint>(entry.serverId)
           << QStringLiteral("tallyvane") << text(message.title) << bodyFor(message) << actions
           << hintsFor(message) << -1;
    entry.waiting = true;
    if (wantsSound(message) && !canPlaySounds() && parts_.playSound) {
        parts_.playSound();
    }

    entry.pending = parts_.bus.asyncCall(notify, parts_.timeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(entry.pending, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, id = message.id, appPath](QDBusPendingCallWatcher* w) {
                QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                std::optional<std::uint32_t> serverId;
                if (!reply.isError() && reply.value() != 0) {
                    serverId = reply.value();
                }
                answered(id, serverId, appPath);
            });
}

void Notifier::answered(const std::string& id, std::optional<std::uint32_t> serverId,
                        std::optional<std::string> appPath) {
    auto it = entries_.find(id);
    if (it == entries_.end()) {
        return;
    }
    Entry& entry = it->second;
    entry.waiting = false;
    if (serverId) {
        if (entry.serverId != 0 && entry.serverId != *serverId) {
            byServerId_.erase(entry.serverId);
        }
        entry.serverId = *serverId;
        entry.appPath = std::move(appPath);
        byServerId_[*serverId] = id;
        remember(id, *serverId);
    }
    if (entry.next && learning_) {
        park(id);
        return;
    }
    if (entry.next) {
        AlertMessage next = std::move(*entry.next);
        entry.next.reset();
        send(next, entry);
        return;
    }
    if (entry.closeWhenKnown) {
        close(id);
        return;
    }
    if (entry.serverId == 0) {
        entries_.erase(it);
    }
}

void Notifier::withdraw(const std::string& id) {
    auto it = entries_.find(id);
    if (it == entries_.end()) {
        return;
    }
    if (it->second.waiting) {
        // Taken back before the server said which id it gave: close it once it does.
        it->second.next.reset();
        it->second.closeWhenKnown = true;
        return;
    }
    close(id);
}

void Notifier::close(const std::string& id) {
    auto it = entries_.find(id);
    if (it == entries_.end()) {
        return;
    }
    std::uint32_t serverId = it->second.serverId;
    entries_.erase(it);
    remember(id, 0);
    if (serverId == 0) {
        return;
    }
    byServerId_.erase(serverId);
    closeOnServer(serverId);
}

void Notifier::remember(const std::string& id, std::uint32_t serverId) {
    if (id != "makeway" || parts_.noticeFile.isEmpty()) {
        return;
    }
    if (serverId == 0) {
        QFile::remove(parts_.noticeFile);
        return;
    }
    QDir().mkpath(QFileInfo(parts_.noticeFile).absolutePath());
    // Replaced whole under its name: a link planted there is replaced, never written through.
    platform::replaceFile(parts_.noticeFile.toStdString(), std::to_string(serverId), 0600);
}

void Notifier::removeLeftover() {
    if (parts_.noticeFile.isEmpty()) {
        return;
    }
    // Only a small regular file is read: a pipe or device planted there is never waited on.
    FileRead file = platform::readRegularFile(parts_.noticeFile.toStdString(), 64);
    if (file.outcome == FileRead::Outcome::missing) {
        return;
    }
    QFile::remove(parts_.noticeFile);
    if (file.outcome != FileRead::Outcome::read) {
        return;
    }
    bool ok = false;
    uint serverId = QByteArray::fromStdString(file.bytes).trimmed().toUInt(&ok);
    if (ok && serverId != 0 && parts_.bus.isConnected()) {
        closeOnServer(serverId);
    }
}

void Notifier::closeOnServer(std::uint32_t serverId) {
    QDBusMessage message = call(QStringLiteral("CloseNotification"));
    message << static_cast<uint>(serverId);
    // Nothing to learn from the answer; it is only waited for when the program ends.
    std::erase_if(closing_, [](const QDBusPendingCall& call) { return call.isFinished(); });
    closing_.push_back(parts_.bus.asyncCall(message, parts_.timeoutMs));
}

void Notifier::withdrawAll(int boundMs) {
    ended_ = true;
    if (!parts_.bus.isConnected()) {
        return;
    }
    QDeadlineTimer deadline(boundMs);
    // The D-Bus thread completes the calls; this one only looks.
    auto wait = [&](const QDBusPendingCall& call) {
        while (!call.isFinished() && !deadline.hasExpired()) {
            QThread::msleep(2);
        }
    };
    std::vector<std::string> ids;
    for (auto& [id, entry] : entries_) {
        if (entry.waiting) {
            // Posted, but the server has not said yet which id it gave.
            wait(entry.pending);
            QDBusPendingReply<uint> reply = entry.pending;
            if (entry.pending.isFinished() && !reply.isError() && reply.value() != 0) {
                entry.serverId = reply.value();
            }
        }
        ids.push_back(id);
    }
    for (const std::string& id : ids) {
        close(id);
    }
    for (const QDBusPendingCall& call : closing_) {
        wait(call);
    }
}

bool Notifier::wantsSound(const AlertMessage& message) const {
    return message.sound && (!parts_.soundsOn || parts_.soundsOn());
}

bool Notifier::canPlaySounds() const {
    return capabilities_.count(QStringLiteral("sound")) > 0;
}

QVariantMap Notifier::hintsFor(const AlertMessage& message) const {
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tallyvane"));
    if (!wantsSound(message)) {
        hints.insert(QStringLiteral("suppress-sound"), true);
    } else if (canPlaySounds()) {
        hints.insert(QStringLiteral("sound-name"), QString::fromLatin1(alertSoundName));
    }
    return hints;
}

QString Notifier::bodyFor(const AlertMessage& message) const {
    // A server that reads markup would take an app called "A&B <beta>" for markup.
    return text(capabilities_.count(QStringLiteral("body-markup")) ? escapeMarkup(message.body)
                                                                   : message.body);
}

void Notifier::askServer(std::function<void(bool)> done) {
    if (!parts_.bus.isConnected()) {
        done(false);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(
        parts_.bus.asyncCall(call(QStringLiteral("GetCapabilities")), parts_.timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, done = std::move(done)](QDBusPendingCallWatcher* w) {
                QDBusPendingReply<QStringList> reply = *w;
                w->deleteLater();
                if (reply.isError()) {
                    done(false);
                    return;
                }
                capabilities_.clear();
                for (const QString& capability : reply.value()) {
                    capabilities_.insert(capability);
                }
                done(true);
            });
}

void Notifier::blocked(std::function<void(bool)> done) {
    askServer([done = std::move(done)](bool reached) { done(!reached); });
}

void Notifier::sendTest(AlertMessage message, std::function<void(bool)> done) {
    askServer([this, message = std::move(message), done = std::move(done)](bool reached) {
        if (reached) {
            post(message);
        }
        done(reached);
    });
}

std::optional<std::uint32_t> Notifier::serverId(const std::string& id) const {
    auto it = entries_.find(id);
    if (it == entries_.end() || it->second.serverId == 0) {
        return std::nullopt;
    }
    return it->second.serverId;
}

void Notifier::onActionInvoked(uint serverId, const QString& action) {
    // The signal reaches every program on the bus; only our own notifications count.
    auto it = byServerId_.find(serverId);
    if (it == byServerId_.end()) {
        return;
    }
    const std::string& id = it->second;
    auto entry = entries_.find(id);
    std::optional<std::string> appPath;
    if (entry != entries_.end()) {
        appPath = entry->second.appPath;
    }
    emit responded(NotificationResponse{action.toStdString(), id, appPath});
}

void Notifier::onNotificationClosed(uint serverId, uint /*reason*/) {
    auto it = byServerId_.find(serverId);
    if (it == byServerId_.end()) {
        return;
    }
    auto entry = entries_.find(it->second);
    byServerId_.erase(it);
    if (entry == entries_.end() || entry->second.serverId != serverId) {
        return;
    }
    remember(entry->first, 0);
    entry->second.serverId = 0;
    if (!entry->second.waiting) {
        entries_.erase(entry);
    }
}

}  // namespace tv
