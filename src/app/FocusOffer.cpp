#include "app/FocusOffer.h"

#include "app/NoticePost.h"

namespace tv {

namespace {

const QString turnOn = QStringLiteral("turn-on");
// NotificationClosed's reason when the user closed it.
constexpr uint closedByUser = 2;

}  // namespace

FocusOffer::FocusOffer(FocusConsent& consent, QDBusConnection bus, int delayMs, QObject* parent)
    : QObject(parent), consent_(consent), bus_(std::move(bus)) {
    bus_.connect(notificationServer, notificationPath, notificationServer,
                 QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
    bus_.connect(notificationServer, notificationPath, notificationServer,
                 QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
    delay_.setSingleShot(true);
    connect(&delay_, &QTimer::timeout, this, &FocusOffer::post);
    delay_.start(delayMs);
}

void FocusOffer::post() {
    if (!consent_.shouldOffer()) {
        return;
    }
    notice::post(
        bus_, this, QStringLiteral("Let TallyVane see the app in front?"),
        QStringLiteral("On this desktop TallyVane needs its small GNOME Shell extension to know "
                       "which app you are using, so that it never slows or pauses it. The "
                       "extension tells only TallyVane, and only which window is in front."),
        QStringList{turnOn, QStringLiteral("Turn On")}, [this](uint id) {
            // Counted as asked only once a server showed it: without one, the next
            // start tries again.
            posted_ = id;
            consent_.offered();
        });
}

void FocusOffer::onActionInvoked(uint id, const QString& action) {
    if (posted_ != 0 && id == posted_ && action == turnOn) {
        posted_ = 0;
        emit answered(consent_.accept());
    }
}

void FocusOffer::onClosed(uint id, uint reason) {
    if (posted_ != 0 && id == posted_) {
        posted_ = 0;
        if (reason == closedByUser) {
            consent_.dismissed();
            emit answered(false);
        }
    }
}

}  // namespace tv
