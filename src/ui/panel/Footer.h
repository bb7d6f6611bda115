#pragma once

#include <QBoxLayout>
#include <QLabel>
#include <QWidget>

#include "ui/controls/Spring.h"

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
//
// While shown, a change of the footer's height (a notice answered and gone, a line that
// wraps) follows a spring (response 0.3 s, damping 0.85) from the height it had: what is
// laid out keeps its natural place and the edge moves.
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
    // The height its contents want, and whether it is on its way there.
    int naturalHeight() const;
    bool resizing() const { return shownHeight_.has_value(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

  signals:
    void settingsRequested();
    void systemMonitorRequested();
    void quitRequested();

  protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // The height drawn on the way to the natural one; none when settled.
    std::optional<int> shownHeight_;
    int settledHeight_ = -1;
    SpringAnimation resize_;
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
