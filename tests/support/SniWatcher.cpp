// Stands in for a desktop's tray host: owns org.kde.StatusNotifierWatcher on the session bus
// and appends "SERVICE SENDER" to the file named by its argument for every item that
// registers (SERVICE may be the item's path on the sender's connection). Run it under a host's
// program name to look like that host. `Drop(ITEM)` lets an item go as a host that lost it
// does: it is forgotten and StatusNotifierItemUnregistered said.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QStringList>

class Watcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

  public:
    explicit Watcher(QString log) : log_(std::move(log)) {}
    QStringList items() const { return items_; }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

  public slots:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString& service) {
        // An item told by its path is the sender's, named as GNOME's AppIndicator names it.
        items_ << (service.startsWith('/') ? message().service() + '@' + service : service);
        QFile file(log_);
        if (file.open(QIODevice::Append)) {
            file.write((service + " " + message().service() + "\n").toUtf8());
        }
    }
    Q_SCRIPTABLE void RegisterStatusNotifierHost(const QString&) {}
    Q_SCRIPTABLE void Drop(const QString& service) {
        items_.removeAll(service);
        emit StatusNotifierItemUnregistered(service);
    }

  signals:
    Q_SCRIPTABLE void StatusNotifierItemUnregistered(const QString& service);

  private:
    QString log_;
    QStringList items_;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    Watcher watcher(QString::fromLocal8Bit(argv[1]));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/StatusNotifierWatcher", &watcher,
                            QDBusConnection::ExportScriptableSlots |
                                QDBusConnection::ExportScriptableSignals |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService("org.kde.StatusNotifierWatcher")) {
        return 1;
    }
    return QCoreApplication::exec();
}

#include "SniWatcher.moc"
