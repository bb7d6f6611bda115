#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

#include "core/Date.h"
#include "core/Vocabulary.h"
#include "ui/controls/Spring.h"

class QGraphicsOpacityEffect;
class QLabel;

namespace tv {

namespace platform {
class FileManager;
}

class PillButton;
class Settings;
class Site;
class Spinner;

// The footer's offer to send the report of TallyVane's last crash: "Send report" (or "Try
// again" after a failure), "Don't send" and "Show report". It offers the newest report
// written after the last one the user answered, else after the first launch; an answer is
// recorded as that report's time, so each report is offered once. Once answered the notice
// springs shut and emits `dismissed`.
class CrashNotice : public QWidget {
    Q_OBJECT
  public:
    struct Parts {
        Settings& settings;
        Site& site;
        const Vocabulary& words;
        // Shows the report selected; null when the desktop has no file manager service.
        platform::FileManager* fileManager;
        // Opens the report's folder when no file manager shows the file; empty: the
        // desktop's handler for folders.
        std::function<void(const QUrl&)> openUrl;
        std::function<Date()> clock;
        std::string folder;  // where reports are written
    };

    explicit CrashNotice(Parts parts, QWidget* parent = nullptr);

    // Looks for a report to offer, each time the notice appears (the footer calls it); true
    // when one is offered. While a send is under way the report being sent stays.
    bool appear();

    const std::optional<std::string>& report() const { return report_; }
    Date written() const { return written_; }
    bool sending() const { return sending_; }
    bool failed() const { return failed_; }

    // "Send report" / "Try again"; nothing while a send is under way.
    void send();
    // "Don't send": records the answer; nothing is sent.
    void decline();
    // "Show report": the notice stays.
    void reveal();

  signals:
    // The notice has shut after an answer; the footer removes it.
    void dismissed();

  protected:
    void changeEvent(QEvent* event) override;

  private:
    // The answer is recorded: `report` goes and the notice springs shut.
    void shut();
    void refresh();

    Parts parts_;
    std::optional<std::string> report_;
    Date written_ = Date::min();
    bool sending_ = false;
    bool failed_ = false;

    QLabel* body_ = nullptr;
    PillButton* sendButton_ = nullptr;
    PillButton* declineButton_ = nullptr;
    QWidget* sendingFrame_ = nullptr;
    Spinner* spinner_ = nullptr;
    QPointer<QGraphicsOpacityEffect> opacity_;
    int openHeight_ = 0;  // the height the notice shuts from
    SpringAnimation shut_;
};

}  // namespace tv
