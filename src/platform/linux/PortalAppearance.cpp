#include "platform/linux/PortalAppearance.h"

#include <QDBusMessage>
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

std::optional<bool> PortalAppearance::read() {
    for (const QString& method : {QStringLiteral("ReadOne"), QStringLiteral("Read")}) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call << group << key;
        QDBusMessage answer = bus_.call(call, QDBus::Block, 500);
        if (answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty()) {
            if (auto n = number(answer.arguments().first())) {
                return fromScheme(*n);
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<bool> PortalAppearance::prefersDark() {
    if (!known_) {
        known_ = read();
    }
    return *known_;
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
