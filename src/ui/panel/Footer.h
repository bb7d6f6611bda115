#pragma once

#include <QBoxLayout>
#include <QLabel>
#include <QWidget>

#include <optional>
#include <string>

namespace tv {

class PillButton;

// The panel's footer: the network rates, the buttons "Settings", the system monitor and
// "Quit TallyVane", and room for what other parts add.
//
// Insertion points, in screen order:
//  - speedControlSlot(): right end of the network row, 22 points high (the speed-test
//    control);
//  - speedLineSlot(): the line under the network row (the speed-test result);
//  - extrasSlot(): under the buttons (the crash-report notice, then the rating request).
// A widget added to a slot is shown there and owned by the footer.
class Footer : public QWidget {
    Q_OBJECT
  public:
    // `systemMonitorName` is the platform's name for it; without `hasSystemMonitor` the
    // button is hidden.
    Footer(const QString& systemMonitorName, bool hasSystemMonitor, QWidget* parent = nullptr);

    void setRates(double down, double up);

    QBoxLayout& speedControlSlot() { return *speedControl_; }
    QBoxLayout& speedLineSlot() { return *speedLine_; }
    QBoxLayout& extrasSlot() { return *extras_; }

    PillButton& settingsButton() { return *settings_; }
    PillButton& systemMonitorButton() { return *systemMonitor_; }
    PillButton& quitButton() { return *quit_; }
    QString downText() const { return down_->text(); }

  signals:
    void settingsRequested();
    void systemMonitorRequested();
    void quitRequested();

  private:
    QLabel* down_;
    QLabel* up_;
    QBoxLayout* speedControl_;
    QBoxLayout* speedLine_;
    QBoxLayout* extras_;
    PillButton* settings_;
    PillButton* systemMonitor_;
    PillButton* quit_;
};

}  // namespace tv
