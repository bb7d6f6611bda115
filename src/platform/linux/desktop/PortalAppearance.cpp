#include "platform/linux/desktop/PortalAppearance.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>

namespace tv::linux_os {

namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.Settings");
const QString group = QStringLiteral("org.freedesktop.appearance");
const QString key = QStringLiteral("color-scheme");

// The portal wraps values once (ReadOne) or twice (the older Read); unwrap to the number.
std::optional<unsigned> number(QVariant value) {
    for (int depth = 0; depth < 3 && value.canConvert<QDBusVariant>() &&
                        value.userType() == qMetaTypeId<QDBusVariant>();
         ++depth) {
        value = value.value<QDBusVariant>().variant();
    }
    bool ok = false;
    unsigned n = value.toUInt(&ok);
    return ok ? std::optional<unsigned>(n) : std::nullopt;
}

}  // namespace

PortalAppearance::PortalAppearance(QDBusConnection bus) : bus_(std::move(bus)) {
    bus_.connect(service, path, interface, QStringLiteral("SettingChanged"), this,
                 SLOT(settingChanged(QDBusMessage)));
}

std::optional<bool> PortalAppearance::fromScheme(unsigned value) {
    if (value == 1) {
        return true;
    }
    if (value == 2) {
        return false;
    }
    return std::nullopt;
}

void PortalAppearance::ask(const QString& method) {
    asking_ = true;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call << group << key;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 500), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method, watcher] {
        watcher->deleteLater();
        QDBusMessage answer = watcher->reply();
        if (answer.type() == QDBusMessage::ReplyMessage) {
            asking_ = false;
            // A change signalled while the question was on its way is newer.
            if (!known_) {
                auto n = answer.arguments().isEmpty() ? std::nullopt
                                                      : number(answer.arguments().first());
                known_ = n ? fromScheme(*n) : std::nullopt;
                if (changed_) {
                    changed_();
                }
            }
            return;
        }
        // Portals older than ReadOne know only Read.
        if (method == QStringLiteral("ReadOne")) {
            ask(QStringLiteral("Read"));
            return;
        }
        asking_ = false;
    });
}

std::optional<bool> PortalAppearance::prefersDark() {
    if (!known_ && !asking_) {
        ask(QStringLiteral("ReadOne"));
    }
    return known_ ? *known_ : std::nullopt;
}

void PortalAppearance::settingChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 3) {
        return;
    }
    QString changedGroup = arguments[0].toString();
    QString changedKey = arguments[1].toString();
    QVariant value = arguments[2];
    if (changedGroup != group || changedKey != key) {
        return;
    }
    auto n = number(value);
    known_ = n ? fromScheme(*n) : std::nullopt;
    if (changed_) {
        changed_();
    }
}

}  // namespace tv::linux_os
