#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <optional>

#include "alerts/Notifier.h"
#include "app/Capture.h"
#include "app/Popup.h"
#include "app/StatusItem.h"
#include "app/TrayPresenter.h"
#include "app/UpdateNotice.h"
#include "feedback/Site.h"
#include "feedback/UpdateChecker.h"
#include "monitor/Monitor.h"
#include "platform/Appearance.h"
#include "platform/DesktopApps.h"
#include "platform/FileManager.h"
#include "platform/LoginItem.h"
#include "settings/FocusConsent.h"
#include "settings/Settings.h"
#include "ui/MenuBarLabel.h"
#include "ui/Sounds.h"
#include "ui/feedback/CrashNotice.h"
#include "ui/panel/AppIcons.h"
#include "ui/settings/SettingsPage.h"

namespace tv {

class Dashboard;
struct DashboardParts;

// The running program: the tray item with its live label, the panel, notifications and
// their answers, the Monitor with its executor, and the release of every hold when the
// program ends (also on SIGTERM, SIGINT and SIGHUP, taken through the event loop).
class AppShell : public QObject {
    Q_OBJECT
  public:
    static constexpr int openDelayMs = 2500;
    // When, after start, the panel is drawn once off screen (see warmUpPanel).
    static constexpr int warmUpDelayMs = 1500;
    // How long the end of the run waits for the notification server to take our alerts back.
    static constexpr int withdrawAtQuitMs = 1000;

    // Whatever is still held when the shell goes is let go by the Monitor's executor.
    explicit AppShell(const QStringList& arguments, QObject* parent = nullptr);

    // The launch sequence; the first tick follows at once.
    void launch();
    // Opens or closes the panel, as a click on the tray item does.
    void toggle();
    // Renders the label and puts it in the tray.
    void drawLabel();
    // Opens the panel unless it is showing.
    void open();
    // Opens the panel, if needed, with the settings page shown.
    void openSettings();

    Monitor& monitor() { return *monitor_; }
    Settings& settings() { return settings_; }
    // What the settings page and the rating form are built from; after `launch`.
    SettingsPage::Parts settingsPageParts();
    ReviewPage::Parts reviewPageParts();
    Popup& popup() { return *popup_; }
    StatusItem& statusItem() { return *item_; }
    AppIcons& icons() { return *icons_; }
    // The label for the readings now.
    MenuBarLabel label() const;
    // A new dashboard, as the panel shows it (with its footer), not yet live; after `launch`.
    Dashboard* buildDashboard(QWidget* parent, bool animateIn);
    CrashNotice::Parts crashNoticeParts();

  private:
    void setUpLoginItem();
    void setUpNotifications();
    void watchQuitSignals();
    void setUpPanel();
    // The footer's speed test, crash-report offer and rating request.
    void fillFooter(Dashboard& dashboard);
    // Lays the settings page, or the rating form with `stars`, over the dashboard.
    void showSettings(Dashboard& dashboard);
    void showReview(Dashboard& dashboard, int stars);
    // The desktop's preference, else the lightness of the application's palette.
    bool prefersDark();
    // Springs and fades jump to their ends while the desktop has animations turned off.
    void followMotion();
    void findSystemMonitor();
    DashboardParts dashboardParts(bool animateIn);
    // Builds and draws a dashboard once off screen, never shown, so that the first opening
    // finds the panel's fonts, glyphs and styles loaded rather than loading them while the
    // user waits.
    void warmUpPanel();
    void setUpTray();
    // Offers the front-window add-on once where this desktop needs it.
    void setUpFocusOffer();

    QStringList arguments_;
    Settings settings_;
    std::unique_ptr<Monitor> monitor_;
    std::unique_ptr<StatusItem> item_;
    std::unique_ptr<TrayPresenter> tray_;
    std::unique_ptr<Popup> popup_;
    std::unique_ptr<Notifier> notifier_;
    std::unique_ptr<Sounds> sounds_;
    std::unique_ptr<LoginItem> loginItem_;
    std::unique_ptr<FocusExtension> focusExtension_;  // where this desktop needs one
    std::unique_ptr<FocusConsent> focusConsent_;
    QString osVersion_;
    std::unique_ptr<SoundPlayer> alertSound_;
    std::unique_ptr<DesktopApps> desktopApps_;
    std::optional<std::string> systemMonitor_;  // its desktop entry, where one is installed
    std::unique_ptr<Appearance> appearance_;
    std::unique_ptr<AppIcons> icons_;
    std::unique_ptr<platform::FileManager> fileManager_;
    std::unique_ptr<Capture> capture_;  // with "--open FOLDER"
    QPointer<Dashboard> dashboard_;     // the open panel's view
    Site* site_ = nullptr;
    UpdateChecker* updates_ = nullptr;
    UpdateNotice* updateNotice_ = nullptr;
    bool fahrenheit_ = false;
};

}  // namespace tv
