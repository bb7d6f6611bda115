#include "app/NoTrayNotice.h"

#include "app/NoticePost.h"

namespace tv {

NoTrayNotice::NoTrayNotice(Settings& settings, QDBusConnection bus, int graceMs, QObject* parent)
    : QObject(parent), settings_(settings), bus_(std::move(bus)) {
    grace_.setSingleShot(true);
    grace_.setInterval(graceMs);
    connect(&grace_, &QTimer::timeout, this, &NoTrayNotice::post);
    bus_.connect(notificationServer, notificationPath, notificationServer,
                 QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
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
    notice::post(bus_, this, QStringLiteral("TallyVane is running"), body,
                 QStringList{QStringLiteral("default"), QStringLiteral("Open TallyVane"),
                             QStringLiteral("open"), QStringLiteral("Open TallyVane")},
                 [this](uint id) {
                     // Remembered only once a server took it: without one, the next start tries.
                     posted_ = id;
                     settings_.setBoolean(shownKey, true);
                 });
}

void NoTrayNotice::onActionInvoked(uint id, const QString& action) {
    if (posted_ != 0 && id == posted_ &&
        (action == QLatin1String("open") || action == QLatin1String("default"))) {
        emit openRequested();
    }
}

}  // namespace tv
