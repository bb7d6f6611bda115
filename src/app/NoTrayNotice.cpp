#include "app/NoTrayNotice.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace tv {

namespace {

const QString server = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");

}  // namespace

NoTrayNotice::NoTrayNotice(Settings& settings, QDBusConnection bus, int graceMs, QObject* parent)
    : QObject(parent), settings_(settings), bus_(std::move(bus)) {
    grace_.setSingleShot(true);
    grace_.setInterval(graceMs);
    connect(&grace_, &QTimer::timeout, this, &NoTrayNotice::post);
    bus_.connect(server, path, server, QStringLiteral("ActionInvoked"), this,
                 SLOT(onActionInvoked(uint, QString)));
}

void NoTrayNotice::setHosted(bool hosted) {
    if (hosted || settings_.flag(shownKey)) {
        grace_.stop();
    } else if (!grace_.isActive()) {
        grace_.start();
    }
}

QString NoTrayNotice::howTo(const QString& desktop) {
    QString name = desktop.toLower();
    if (name.contains(QLatin1String("gnome")) || name.contains(QLatin1String("ubuntu"))) {
        return QStringLiteral(
            "To see it in the top bar, turn on the AppIndicator extension in the Extensions app.");
    }
    if (name.contains(QLatin1String("sway")) || name.contains(QLatin1String("hyprland")) ||
        name.contains(QLatin1String("wlroots")) || name.contains(QLatin1String("river"))) {
        return QStringLiteral("To see it, add a \"tray\" module to your bar (waybar, for one).");
    }
    return QStringLiteral("To see it, add a system tray to your panel.");
}

void NoTrayNotice::post() {
    if (settings_.flag(shownKey)) {
        return;
    }
    QString body = QStringLiteral(
                       "TallyVane keeps watching and alerting, but this desktop has no tray to "
                       "show it in. ") +
                   howTo(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    QDBusMessage notify =
        QDBusMessage::createMethodCall(server, path, server, QStringLiteral("Notify"));
    notify << QStringLiteral("TallyVane") << uint(0) << QString()
           << QStringLiteral("TallyVane is running") << body
           << QStringList{QStringLiteral("default"), QStringLiteral("Open TallyVane"),
                          QStringLiteral("open"), QStringLiteral("Open TallyVane")}
           << QVariantMap() << -1;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(notify), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                QDBusPendingReply<uint> reply = *done;
                // Remembered only once a server took it: without one, the next start tries.
                if (!reply.isError()) {
                    posted_ = reply.value();
                    settings_.setBoolean(shownKey, true);
                }
            });
}

void NoTrayNotice::onActionInvoked(uint id, const QString& action) {
    if (posted_ != 0 && id == posted_ &&
        (action == QLatin1String("open") || action == QLatin1String("default"))) {
        emit openRequested();
    }
}

}  // namespace tv
