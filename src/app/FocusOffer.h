#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include "settings/FocusConsent.h"

namespace tv {

// On a desktop where TallyVane's front-window add-on is installed but off, offers it once
// with a notification whose "Turn On" action turns it on; closing the notification is a no.
// Looked at a little after the start, when the desktop has loaded its add-ons.
class FocusOffer : public QObject {
    Q_OBJECT
  public:
    static constexpr int delayMs = 8000;

    FocusOffer(FocusConsent& consent, QDBusConnection bus, int delayMs, QObject* parent = nullptr);

  signals:
    // The user answered the offer; `on` says whether the add-on runs now.
    void answered(bool on);

  private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

  private:
    void post();

    FocusConsent& consent_;
    QDBusConnection bus_;
    QTimer delay_;
    uint posted_ = 0;
};

}  // namespace tv
