#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include "settings/Settings.h"

namespace tv {

// When the desktop has nowhere to show the tray item, TallyVane keeps working unseen; after
// a short grace period it says so once — never again, also across restarts — with an
// "Open TallyVane" action and how to get a tray on this desktop.
class NoTrayNotice : public QObject {
    Q_OBJECT
  public:
    static constexpr int graceMs = 5000;
    static constexpr const char* shownKey = "noTrayNoticeShown";

    NoTrayNotice(Settings& settings, QDBusConnection bus, int graceMs, QObject* parent = nullptr);

    // Whether a tray shows the item now; the notice waits only while it does not.
    void setHosted(bool hosted);

    // The how-to for the desktop named like XDG_CURRENT_DESKTOP ("ubuntu:GNOME", "sway").
    static QString howTo(const QString& desktop);

  signals:
    void openRequested();

  private slots:
    void onActionInvoked(uint id, const QString& action);

  private:
    void post();

    Settings& settings_;
    QDBusConnection bus_;
    QTimer grace_;
    uint posted_ = 0;
};

}  // namespace tv
