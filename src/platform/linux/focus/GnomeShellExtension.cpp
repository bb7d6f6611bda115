#include "platform/linux/focus/GnomeShellExtension.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariantMap>

#include "platform/linux/desktop/SessionEnvironment.h"

namespace tv::linux_os {

namespace {

// The shell itself answers for its extensions on its own name (the separate
// org.gnome.Shell.Extensions service only forwards to it and may need starting).
const QString service = QStringLiteral("org.gnome.Shell");
const QString path = QStringLiteral("/org/gnome/Shell");
const QString interface = QStringLiteral("org.gnome.Shell.Extensions");

QDBusConnection busNamed(const std::string& connection) {
    return connection.empty() ? QDBusConnection::sessionBus()
                              : QDBusConnection(QString::fromStdString(connection));
}

}  // namespace

GnomeShellExtension::GnomeShellExtension(std::string connection, std::string id)
    : connection_(std::move(connection)), id_(std::move(id)) {}

bool GnomeShellExtension::needed(const std::function<std::string(const char*)>& env) {
    bool gnome = false;
    for (const QString& name :
         QString::fromStdString(env("XDG_CURRENT_DESKTOP")).split(QLatin1Char(':'))) {
        gnome = gnome || name.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0;
    }
    return gnome && isWaylandSession(env);
}

std::string GnomeShellExtension::stateText(State state) {
    switch (state) {
        case State::on:
            return "in use";
        case State::off:
            return "installed but off: TallyVane's settings turn it on; until then the front "
                   "app is unknown and make way waits";
        case State::broken:
            return "on, but GNOME Shell cannot run it: the front app is unknown";
        case State::absent:
            break;
    }
    return "not installed: the front app is unknown and make way waits";
}

FocusExtension::State GnomeShellExtension::fromShellState(double shellState) {
    // ENABLED 1, DISABLED 2, ERROR 3, OUT_OF_DATE 4, DOWNLOADING 5, INITIALIZED 6,
    // DEACTIVATING 7, ACTIVATING 8, UNINSTALLED 99.
    switch (static_cast<int>(shellState)) {
        case 1:
        case 8:
            return State::on;
        case 2:
        case 6:
        case 7:
            return State::off;
        case 3:
        case 4:
            return State::broken;
        default:
            return State::absent;
    }
}

FocusExtension::State GnomeShellExtension::state() {
    QDBusConnection bus = busNamed(connection_);
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service).value()) {
        return State::absent;
    }
    QDBusMessage ask = QDBusMessage::createMethodCall(service, path, interface,
                                                      QStringLiteral("GetExtensionInfo"));
    ask << QString::fromStdString(id_);
    QDBusMessage reply = bus.call(ask, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return State::absent;
    }
    // An unknown extension is an empty map; a malformed answer tells nothing either.
    QVariantMap info = qdbus_cast<QVariantMap>(reply.arguments().first());
    QVariant shellState = info.value(QStringLiteral("state"));
    if (shellState.canConvert<QDBusVariant>()) {
        shellState = shellState.value<QDBusVariant>().variant();
    }
    bool number = false;
    double value = shellState.toDouble(&number);
    return number ? fromShellState(value) : State::absent;
}

bool GnomeShellExtension::call(const char* method) {
    QDBusConnection bus = busNamed(connection_);
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage ask =
        QDBusMessage::createMethodCall(service, path, interface, QString::fromLatin1(method));
    ask << QString::fromStdString(id_);
    QDBusMessage reply = bus.call(ask, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().toBool();
}

bool GnomeShellExtension::enable() {
    return call("EnableExtension");
}

bool GnomeShellExtension::disable() {
    return call("DisableExtension");
}

}  // namespace tv::linux_os
