// A stand-in for the user's service manager on a test bus: it owns org.freedesktop.systemd1,
// answers GetUnit, the units' CPUWeight property and SetUnitProperties for CPUWeight, and
// writes every unit's weight to the state file ("<unit> <weight>" lines) after each change.
// A weight of 0 is refused when started with --no-idle (a manager older than idle weights).
//   fake_user_manager <bus address> <state file> [--no-idle] <unit>=<weight>...
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSaveFile>

#include <map>

namespace {

const QString unitPrefix = QStringLiteral("/org/freedesktop/systemd1/unit/");

// Object paths escape every byte that is not a letter or digit as _xx.
QString pathOf(const QString& unit) {
    QString path = unitPrefix;
    for (char c : unit.toUtf8()) {
        path += std::isalnum(static_cast<unsigned char>(c))
                    ? QString(QChar(c))
                    : QStringLiteral("_%1").arg(static_cast<unsigned char>(c), 2, 16, QChar('0'));
    }
    return path;
}

class Manager : public QDBusVirtualObject {
  public:
    Manager(QString state, bool idle) : state_(std::move(state)), idle_(idle) {}
    std::map<QString, qulonglong> weights;

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        const QString member = message.member();
        const QVariantList args = message.arguments();
        auto fail = [&](const char* name) {
            bus.send(message.createErrorReply(QString::fromLatin1(name), QStringLiteral("no")));
            return true;
        };
        if (member == QLatin1String("GetUnit") && args.size() == 1) {
            QString unit = args[0].toString();
            if (weights.count(unit) == 0) {
                return fail("org.freedesktop.systemd1.NoSuchUnit");
            }
            bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(pathOf(unit)))));
            return true;
        }
        if (member == QLatin1String("Get") && args.size() == 2 &&
            args[1].toString() == QLatin1String("CPUWeight")) {
            for (const auto& [unit, weight] : weights) {
                if (pathOf(unit) == message.path()) {
                    bus.send(message.createReply(
                        QVariant::fromValue(QDBusVariant(QVariant::fromValue(weight)))));
                    return true;
                }
            }
            return fail("org.freedesktop.DBus.Error.UnknownObject");
        }
        if (member == QLatin1String("SetUnitProperties") && args.size() == 3 &&
            message.signature() == QLatin1String("sba(sv)") && args[1].toBool()) {
            QString unit = args[0].toString();
            const QDBusArgument properties = args[2].value<QDBusArgument>();
            std::optional<qulonglong> weight;
            properties.beginArray();
            while (!properties.atEnd()) {
                QString name;
                QDBusVariant value;
                properties.beginStructure();
                properties >> name >> value;
                properties.endStructure();
                if (name == QLatin1String("CPUWeight") &&
                    value.variant().metaType() == QMetaType::fromType<qulonglong>()) {
                    weight = value.variant().toULongLong();
                }
            }
            properties.endArray();
            if (weights.count(unit) == 0 || !weight || (*weight == 0 && !idle_)) {
                return fail("org.freedesktop.DBus.Error.InvalidArgs");
            }
            weights[unit] = *weight;
            save();
            bus.send(message.createReply());
            return true;
        }
        return fail("org.freedesktop.DBus.Error.UnknownMethod");
    }

    void save() const {
        QSaveFile file(state_);
        if (file.open(QIODevice::WriteOnly)) {
            for (const auto& [unit, weight] : weights) {
                file.write(unit.toUtf8() + ' ' + QByteArray::number(weight) + '\n');
            }
            file.commit();
        }
    }

  private:
    QString state_;
    bool idle_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() < 3) {
        return 2;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(args[1], QStringLiteral("manager"));
    bool idle = !args.contains(QStringLiteral("--no-idle"));
    Manager manager(args[2], idle);
    for (const QString& unit : args.mid(3)) {
        if (unit.contains('=')) {
            manager.weights[unit.section('=', 0, 0)] = unit.section('=', 1).toULongLong();
        }
    }
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/systemd1"), &manager,
                                   QDBusConnection::SubPath) ||
        !bus.registerService(QStringLiteral("org.freedesktop.systemd1"))) {
        return 1;
    }
    manager.save();  // ready
    return QCoreApplication::exec();
}
