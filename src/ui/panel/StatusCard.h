#pragma once

#include <QLabel>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "core/CardTexts.h"
#include "core/Health.h"
#include "core/ProcessUsage.h"
#include "ui/controls/Spring.h"

namespace tv {

class AppIcon;
class AppIcons;
class CardButton;
class Spinner;

// What the health card shows.
struct CardState {
    Health health = Health::ok;
    std::string title;
    std::string detail;
    std::optional<ProcessUsage> culprit;  // the app that may be quit; none means no Quit
    std::string confirmDetail;
    bool quitting = false;

    bool operator==(const CardState&) const = default;
};

// The coloured health card at the top of the panel: the verdict with its symbol, and for a
// quittable culprit a Quit that asks "Cancel"/"Quit" first. The second "Quit" acts only
// when it comes more than 0.4 s after the first; a different culprit closes the question.
class StatusCard : public QWidget {
    Q_OBJECT
  public:
    // `clock` gives monotonic seconds.
    StatusCard(AppIcons& icons, std::function<double()> clock, QWidget* parent = nullptr);

    void setState(const CardState& state);
    const CardState& state() const { return state_; }
    bool confirming() const { return question_.confirming(); }
    // How far the health symbol, its glyph and the culprit's icon have come in (1 = in place).
    double symbolEntrance() const;
    double glyphEntrance() const;
    double iconEntrance() const;

    // The buttons, for keyboard and tests.
    CardButton& quitButton() { return *quit_; }
    CardButton& cancelButton() { return *cancel_; }
    CardButton& confirmButton() { return *confirm_; }

    // The three colours of a health: first, second, third.
    static std::array<QColor, 3> colors(Health health);

  signals:
    void quitRequested(const ProcessUsage& culprit);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void arrange();

    AppIcons& icons_;
    std::function<double()> clock_;
    CardState state_;
    QuitConfirmation question_;
    QWidget* symbol_;
    QWidget* iconFrame_;
    AppIcon* icon_;
    QLabel* title_;
    QLabel* detail_;
    CardButton* quit_;
    CardButton* cancel_;
    CardButton* confirm_;
    Spinner* spinner_;
    QLabel* quittingText_;
    // A change of health blends the card from the colours it showed to the new ones
    // (spring: response 0.6 s, damping 1); 1 = the new colours alone.
    std::array<QColor, 3> shownColors() const;
    std::array<QColor, 3> from_;
    double recolour_ = 1;
    SpringAnimation recolouring_;
    // Entering and leaving the question (spring: response 0.25 s, damping 0.85).
    bool asked_ = false;
    SpringAnimation entering_;
};

}  // namespace tv
