#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

#include "alerts/Notifier.h"

namespace tv {

// A notice TallyVane posts once in its life rather than an alert: straight to the session's
// notification server (`notificationServer`), with its own actions.
namespace notice {

// Posts the notice without waiting. `shown` gets the server's id once a server took it; with no
// server (or an error) it is never called, so the caller can try again at the next start.
// `context` ends the wait when it goes.
void post(QDBusConnection& bus, QObject* context, const QString& title, const QString& body,
          const QStringList& actions, std::function<void(uint id)> shown);

}  // namespace notice
}  // namespace tv
