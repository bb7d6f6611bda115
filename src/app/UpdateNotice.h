#pragma once

#include <QObject>
#include <QUrl>

#include <functional>

#include "alerts/Notices.h"
#include "alerts/NotificationResponse.h"
#include "feedback/UpdateChecker.h"
#include "settings/Settings.h"

namespace tv {

// Tells the user when an automatic check has found a newer TallyVane: one notification per
// version, also across restarts, with the download page in its text; clicking it or its
// "Download" button opens that page. Nothing is downloaded by the program.
class UpdateNotice : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* id = "update";
    // The newest version announced so far.
    static constexpr const char* announcedKey = "updatesAnnounced";

    UpdateNotice(Settings& settings, UpdateChecker& updates, Notices& notices,
                 std::function<void(const QUrl&)> openUrl, QObject* parent = nullptr);

    // Carries out the user's answer to the notice; false for an answer to another notification.
    bool respond(const NotificationResponse& response);

  private:
    void announce(const UpdateAnswer& answer);

    Settings& settings_;
    Notices& notices_;
    std::function<void(const QUrl&)> openUrl_;
    QUrl link_;
};

}  // namespace tv
