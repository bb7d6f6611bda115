#include "app/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTimer>

namespace tv {

SingleInstance::SingleInstance(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

bool SingleInstance::claim() {
    QDBusConnectionInterface* bus = bus_.isConnected() ? bus_.interface() : nullptr;
    if (!bus) {
        return true;
    }
    bus_.registerObject(QString::fromLatin1(path), this, QDBusConnection::ExportScriptableSlots);
    QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus->registerService(
        QString::fromLatin1(service), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        return true;
    }
    bus_.unregisterObject(QString::fromLatin1(path));
    // The bus refused for another reason than an owner: run rather than vanish.
    return !bus->isServiceRegistered(QString::fromLatin1(service)).value();
}

bool SingleInstance::askToOpen() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                       QString::fromLatin1(service), QStringLiteral("Open"));
    return bus_.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

void SingleInstance::Open() {
    // After the reply, so the asking start can end at once.
    QTimer::singleShot(0, this, [this] {
        if (onOpen_) {
            onOpen_();
        }
    });
}

}  // namespace tv
