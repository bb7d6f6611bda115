#pragma once

#include <QLabel>
#include <QWidget>

#include <optional>

#include "core/ProcessUsage.h"
#include "core/SelfIdentity.h"
#include "ui/controls/Spring.h"

namespace tv {

class AppIcon;
class AppIcons;
class PillButton;
class Spinner;

// What an app row shows.
struct ProcessRowState {
    ProcessUsage process;
    bool byCPU = false;
    std::optional<double> closedCost;
    QColor hue;
    double share = 0;
    bool canQuit = false;
    bool quitting = false;
};

// One app of the app list, 26 points high: icon (a close button under the pointer when the
// app can be quit), the name truncated in the middle, "N processes" or "while open", and its
// CPU or memory, over a share bar. Its Quit asks "Quit Name?" with "Cancel" and "Quit".
class ProcessRow : public QWidget {
    Q_OBJECT
  public:
    ProcessRow(AppIcons& icons, SelfIdentity self, QWidget* parent = nullptr);

    void setState(const ProcessRowState& state);
    const ProcessRowState& state() const { return state_; }
    bool confirming() const { return confirming_; }
    bool hovering() const { return hovering_; }
    // How far the background has turned red for the question (0 → 1, along a spring).
    double confirmShown() const { return confirmShown_; }
    QString note() const { return note_->text(); }
    bool hasEdgeLine() const;
    // The width a share of 1 spans: the row up to the value's column.
    double shareTrack() const;

    QWidget& closeButton();
    PillButton& cancelButton() { return *cancel_; }
    PillButton& confirmButton() { return *confirm_; }

  signals:
    void quitRequested(const ProcessUsage& process);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void arrange();

    SelfIdentity self_;
    ProcessRowState state_;
    bool confirming_ = false;
    bool hovering_ = false;
    double confirmShown_ = 0;
    SpringAnimation confirmShade_;
    AppIcon* icon_;
    QWidget* close_;
    Spinner* spinner_;
    QLabel* name_;
    QLabel* note_;
    QLabel* value_;
    QLabel* quittingText_;
    QLabel* question_;
    PillButton* cancel_;
    PillButton* confirm_;
};

}  // namespace tv
