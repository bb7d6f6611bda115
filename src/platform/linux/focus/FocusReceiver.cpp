#include "platform/linux/focus/FocusReceiver.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>

#include <limits>

namespace tv::linux_os {

FocusReceiver::FocusReceiver(QDBusConnection bus, QStringList reporters, std::int32_t self,
                             std::function<bool(std::int32_t)> isCompositor, QObject* parent)
    : QObject(parent),
      bus_(std::move(bus)),
      reporters_(std::move(reporters)),
      self_(self),
      isCompositor_(std::move(isCompositor)) {
    if (!bus_.isConnected()) {
        return;
    }
    watcher_ = new QDBusServiceWatcher(this);
    watcher_->setConnection(bus_);
    watcher_->setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    watcher_->setWatchedServices(reporters_);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &FocusReceiver::ownerChanged);
    listening_ = bus_.registerObject(QString::fromLatin1(path), this,
                                     QDBusConnection::ExportScriptableSlots);
}

FocusReceiver::~FocusReceiver() {
    if (listening_) {
        bus_.unregisterObject(QString::fromLatin1(path));
    }
}

void FocusReceiver::WindowActivated(uint pid, const QString& appId) {
    Q_UNUSED(appId);
    heard(pid);
}

void FocusReceiver::WindowActivated(int pid, const QString& appId) {
    Q_UNUSED(appId);
    heard(pid);
}

void FocusReceiver::WindowActivated(double pid, const QString& appId) {
    Q_UNUSED(appId);
    heard(pid);
}

void FocusReceiver::heard(double pid) {
    const QString sender = message().service();
    QDBusConnectionInterface* names = bus_.interface();
    QString owned;
    // Asked at each report: the bus's answer now, not a remembered one a restart made stale.
    for (const QString& name : reporters_) {
        if (names && names->serviceOwner(name).value() == sender) {
            owned = name;
            break;
        }
    }
    if (!owned.isEmpty() && isCompositor_) {
        // The name may have been taken by another program while nobody held it.
        QDBusReply<uint> pid = names->servicePid(sender);
        if (!pid.isValid() || pid.value() == 0 || pid.value() > (1U << 31) - 1 ||
            !isCompositor_(static_cast<std::int32_t>(pid.value()))) {
            owned.clear();
        }
    }
    if (owned.isEmpty()) {
        sendErrorReply(QDBusError::AccessDenied,
                       QStringLiteral("only the compositor reports the active window"));
        return;
    }
    heardFrom_ = owned;
    // Not a process id (negative, fractional, beyond pid_t): nothing known is in front.
    const bool valid = pid >= 1 && pid <= std::numeric_limits<std::int32_t>::max() &&
                       pid == static_cast<double>(static_cast<std::int32_t>(pid));
    const std::int32_t reported = valid ? static_cast<std::int32_t>(pid) : 0;
    if (reported != 0 && reported == self_) {
        return;  // TallyVane's own panel: the app the user was in stays in front
    }
    front_.store(reported, std::memory_order_relaxed);
}

void FocusReceiver::ownerChanged(const QString& name, const QString& oldOwner,
                                 const QString& newOwner) {
    Q_UNUSED(oldOwner);
    Q_UNUSED(newOwner);
    // Whatever the compositor said before it went is no longer known to be true; a new owner
    // reports afresh once it loaded what reports to us.
    if (name == heardFrom_) {
        heardFrom_.clear();
        front_.store(0, std::memory_order_relaxed);
    }
}

}  // namespace tv::linux_os
