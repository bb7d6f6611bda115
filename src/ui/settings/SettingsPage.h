#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

#include "feedback/UpdateChecker.h"
#include "ui/feedback/ReviewPage.h"

class QAbstractButton;
class QLabel;
class QStackedLayout;

namespace tv {

class FocusConsent;
class LoginItem;
class Monitor;
class Notifier;
class StarPicker;
class Switch;

// The settings page that takes the dashboard's place: the tray readings, the three alerts
// with a test alert, make way, opening at login, sounds, update checks, the version, a star
// rating and a way to write to support. Every switch is stored the moment it flips and
// counts from the next reading on. Built fresh each time it opens, so the login switch
// shows the autostart entry as it is now. The back button and Escape emit `back`.
class SettingsPage : public QWidget {
    Q_OBJECT
  public:
    struct Parts {
        Monitor& monitor;
        Notifier* notifier;  // none: alerts count as turned off
        LoginItem& loginItem;
        std::string program;  // what the autostart entry starts
        UpdateChecker& updates;
        // Opens the desktop's notification settings; none when the desktop has none we know.
        std::function<void()> openNotificationSettings;
        // The rating form's parts; also the settings store, the version and the link opener.
        ReviewPage::Parts review;
        // The front-window add-on's switch; none where this desktop needs no add-on.
        FocusConsent* focusConsent = nullptr;
    };

    explicit SettingsPage(Parts parts, QWidget* parent = nullptr);

    // The rating form shown in the page's place, while there is one.
    ReviewPage* reviewPage() const { return review_; }
    // The page of settings itself, under the rating form while that is open.
    QWidget& optionsPage() const { return *page_; }

  signals:
    void back();

  protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QWidget* buildPage();
    QWidget* alertsSection(QWidget* parent);
    QWidget* generalSection(QWidget* parent);
    QWidget* aboutSection(QWidget* parent);
    // A switch bound to a stored setting: on unless a boolean false is stored.
    Switch* boundSwitch(const char* key, const QString& name, QWidget* parent);
    void askBlocked();
    void sendTestAlert();
    void refreshAlertLine();
    void setLaunchAtLogin(bool on);
    void setFocusExtension(bool on);
    void checkNow();
    void showAnswer(const UpdateAnswer& answer);
    void openReview(int stars);
    void closeReview();
    void refreshRating();

    Parts parts_;
    bool blocked_ = false;
    bool sent_ = false;

    QStackedLayout* stack_ = nullptr;
    QWidget* page_ = nullptr;
    ReviewPage* review_ = nullptr;
    QWidget* testLine_ = nullptr;
    QLabel* sentText_ = nullptr;
    QWidget* blockedLine_ = nullptr;
    Switch* launchAtLogin_ = nullptr;
    Switch* focusExtension_ = nullptr;
    QAbstractButton* checkNow_ = nullptr;
    QLabel* updateText_ = nullptr;
    StarPicker* rating_ = nullptr;
};

}  // namespace tv
