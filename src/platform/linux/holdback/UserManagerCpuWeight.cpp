#include "platform/linux/holdback/UserManagerCpuWeight.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <atomic>
#include <vector>

namespace tv::linux_os {

namespace {

const QString service = QStringLiteral("org.freedesktop.systemd1");
const QString managerPath = QStringLiteral("/org/freedesktop/systemd1");
const QString managerInterface = QStringLiteral("org.freedesktop.systemd1.Manager");
constexpr int timeoutMs = 1000;

// One (name, value) pair of SetUnitProperties' a(sv).
struct UnitProperty {
    QString name;
    QDBusVariant value;
};

QDBusArgument& operator<<(QDBusArgument& out, const UnitProperty& property) {
    out.beginStructure();
    out << property.name << property.value;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, UnitProperty& property) {
    in.beginStructure();
    in >> property.name >> property.value;
    in.endStructure();
    return in;
}

// Something, then `tail`.
bool stemAndTail(std::string_view text, std::string_view tail) {
    return text.size() > tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::vector<std::string_view> components(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        std::size_t slash = path.find('/');
        std::string_view part = path.substr(0, slash);
        if (!part.empty()) {
            parts.push_back(part);
        }
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return parts;
}

bool userManager(std::string_view part) {
    constexpr std::string_view head = "user@";
    constexpr std::string_view tail = ".service";
    if (part.size() <= head.size() + tail.size() || part.substr(0, head.size()) != head ||
        !stemAndTail(part, tail)) {
        return false;
    }
    std::string_view uid = part.substr(head.size(), part.size() - head.size() - tail.size());
    return uid.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

}  // namespace tv::linux_os

Q_DECLARE_METATYPE(tv::linux_os::UnitProperty)

namespace tv::linux_os {

UserManagerCpuWeight::UserManagerCpuWeight(std::string busAddress)
    : address_(std::move(busAddress)) {
    static std::atomic<int> count{0};
    name_ = "tallyvane-user-manager-" + std::to_string(count++);
}

UserManagerCpuWeight::~UserManagerCpuWeight() {
    if (tried_) {
        QDBusConnection::disconnectFromBus(QString::fromStdString(name_));
    }
}

bool UserManagerCpuWeight::connect() {
    if (!tried_ && !address_.empty()) {
        tried_ = true;
        qDBusRegisterMetaType<UnitProperty>();
        qDBusRegisterMetaType<QList<UnitProperty>>();
        connected_ = QDBusConnection::connectToBus(QString::fromStdString(address_),
                                                   QString::fromStdString(name_))
                         .isConnected();
    }
    return connected_;
}

bool UserManagerCpuWeight::present() {
    return connect() && QDBusConnection(QString::fromStdString(name_))
                            .interface()
                            ->isServiceRegistered(service)
                            .value();
}

std::optional<std::uint64_t> UserManagerCpuWeight::weight(const std::string& unit) {
    if (!validUnit(unit) || !connect()) {
        return std::nullopt;
    }
    QDBusConnection bus(QString::fromStdString(name_));
    QDBusMessage getUnit = QDBusMessage::createMethodCall(service, managerPath, managerInterface,
                                                          QStringLiteral("GetUnit"));
    getUnit << QString::fromStdString(unit);
    QDBusMessage found = bus.call(getUnit, QDBus::Block, timeoutMs);
    if (found.type() != QDBusMessage::ReplyMessage || found.arguments().size() != 1 ||
        !found.arguments()[0].canConvert<QDBusObjectPath>()) {
        return std::nullopt;
    }
    const QString kind =
        stemAndTail(unit, ".scope") ? QStringLiteral("Scope") : QStringLiteral("Service");
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, found.arguments()[0].value<QDBusObjectPath>().path(),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.systemd1.") + kind << QStringLiteral("CPUWeight");
    QDBusMessage value = bus.call(get, QDBus::Block, timeoutMs);
    if (value.type() != QDBusMessage::ReplyMessage || value.arguments().size() != 1) {
        return std::nullopt;
    }
    QVariant weight = value.arguments()[0].value<QDBusVariant>().variant();
    if (weight.metaType() != QMetaType::fromType<qulonglong>()) {
        return std::nullopt;  // not the "t" the manager's CPUWeight is
    }
    return weight.toULongLong();
}

bool UserManagerCpuWeight::setWeight(const std::string& unit, std::uint64_t weight) {
    if (!validUnit(unit) || !connect()) {
        return false;
    }
    QDBusMessage set = QDBusMessage::createMethodCall(service, managerPath, managerInterface,
                                                      QStringLiteral("SetUnitProperties"));
    QList<UnitProperty> properties{
        {QStringLiteral("CPUWeight"), QDBusVariant(QVariant::fromValue<qulonglong>(weight))}};
    set << QString::fromStdString(unit) << true << QVariant::fromValue(properties);
    return QDBusConnection(QString::fromStdString(name_))
               .call(set, QDBus::Block, timeoutMs)
               .type() == QDBusMessage::ReplyMessage;
}

std::string UserManagerCpuWeight::unitOf(std::string_view group) {
    std::vector<std::string_view> parts = components(group);
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (userManager(parts[i])) {
            std::string_view unit = parts.back();
            // init.scope is the service manager itself.
            return validUnit(unit) && unit != "init.scope" ? std::string(unit) : std::string();
        }
    }
    return {};
}

bool UserManagerCpuWeight::validUnit(std::string_view unit) {
    constexpr std::string_view allowed =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789:-_.@\\";
    return unit.size() <= 255 && (stemAndTail(unit, ".scope") || stemAndTail(unit, ".service")) &&
           unit.find_first_not_of(allowed) == std::string_view::npos && unit[0] != '.' &&
           unit[0] != '-';
}

}  // namespace tv::linux_os
