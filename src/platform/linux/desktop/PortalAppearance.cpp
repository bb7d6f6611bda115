#include "platform/linux/desktop/PortalAppearance.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>

namespace tv::linux_os {

namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.Settings");
const QString schemeGroup = QStringLiteral("org.freedesktop.appearance");
const QString schemeKey = QStringLiteral("color-scheme");
const QString animationsGroup = QStringLiteral("org.gnome.desktop.interface");
const QString animationsKey = QStringLiteral("enable-animations");

// The portal wraps values once (ReadOne) or twice (the older Read); unwrap to the value.
QVariant unwrapped(QVariant value) {
    for (int depth = 0; depth < 3 && value.canConvert<QDBusVariant>() &&
                        value.userType() == qMetaTypeId<QDBusVariant>();
         ++depth) {
        value = value.value<QDBusVariant>().variant();
    }
    return value;
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

std::optional<PortalAppearance::Which> PortalAppearance::which(const QString& group,
                                                               const QString& key) {
    if (group == schemeGroup && key == schemeKey) {
        return Which::scheme;
    }
    if (group == animationsGroup && key == animationsKey) {
        return Which::animations;
    }
    return std::nullopt;
}

std::optional<bool> PortalAppearance::meaning(Which setting, const QVariant& wrapped) {
    QVariant value = unwrapped(wrapped);
    if (setting == Which::scheme) {
        bool ok = false;
        unsigned n = value.toUInt(&ok);
        return ok ? fromScheme(n) : std::nullopt;
    }
    // Only a real boolean counts: anything else says nothing about motion.
    if (value.typeId() != QMetaType::Bool) {
        return std::nullopt;
    }
    return !value.toBool();
}

void PortalAppearance::announce() {
    if (changed_) {
        changed_();
    }
}

void PortalAppearance::ask(Which setting, const QString& method) {
    known(setting).asking = true;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    if (setting == Which::scheme) {
        call << schemeGroup << schemeKey;
    } else {
        call << animationsGroup << animationsKey;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 500), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, setting, method, watcher] {
        watcher->deleteLater();
        Known& state = known(setting);
        QDBusMessage answer = watcher->reply();
        if (answer.type() == QDBusMessage::ReplyMessage) {
            state.asking = false;
            // A change signalled while the question was on its way is newer.
            if (!state.value) {
                state.value = answer.arguments().isEmpty()
                                  ? std::nullopt
                                  : meaning(setting, answer.arguments().first());
                announce();
            }
            return;
        }
        // Portals older than ReadOne know only Read.
        if (method == QStringLiteral("ReadOne")) {
            ask(setting, QStringLiteral("Read"));
            return;
        }
        state.asking = false;
    });
}

std::optional<bool> PortalAppearance::wanted(Which setting) {
    Known& state = known(setting);
    if (!state.value && !state.asking) {
        ask(setting, QStringLiteral("ReadOne"));
    }
    return state.value ? *state.value : std::nullopt;
}

std::optional<bool> PortalAppearance::prefersDark() {
    return wanted(Which::scheme);
}

std::optional<bool> PortalAppearance::reducesMotion() {
    return wanted(Which::animations);
}

void PortalAppearance::settingChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 3) {
        return;
    }
    std::optional<Which> setting = which(arguments[0].toString(), arguments[1].toString());
    if (!setting) {
        return;
    }
    known(*setting).value = meaning(*setting, arguments[2]);
    announce();
}

}  // namespace tv::linux_os

namespace tv::platform {

std::unique_ptr<Appearance> appearance() {
    return std::make_unique<linux_os::PortalAppearance>();
}

}  // namespace tv::platform
