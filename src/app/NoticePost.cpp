#include "app/NoticePost.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace tv::notice {

void post(QDBusConnection& bus, QObject* context, const QString& title, const QString& body,
          const QStringList& actions, std::function<void(uint id)> shown) {
    QDBusMessage notify = QDBusMessage::createMethodCall(notificationServer, notificationPath,
                                                         notificationServer, "Notify");
    notify << QStringLiteral("TallyVane") << uint(0) << QString() << title << body << actions
           << QVariantMap() << -1;
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(notify), context);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, context,
                     [shown = std::move(shown)](QDBusPendingCallWatcher* done) {
                         done->deleteLater();
                         QDBusPendingReply<uint> reply = *done;
                         if (!reply.isError()) {
                             shown(reply.value());
                         }
                     });
}

}  // namespace tv::notice
