#pragma once

#include <QWidget>

#include <functional>

#include "core/Date.h"
#include "core/Health.h"

namespace tv {

class Settings;
class StarPicker;

// The footer's rating request: "Enjoying TallyVane?", five empty stars and "Not now". It
// shows only while the machine is healthy and the request is due (a week after the first
// launch; once more 30 days after the first "Not now"; never after a sent review).
class ReviewAsk : public QWidget {
    Q_OBJECT
  public:
    ReviewAsk(Settings& settings, std::function<Date()> clock, QWidget* parent = nullptr);

    // Shows or hides the request for the machine's health now; each time the footer is drawn.
    void refresh(Health health);

    StarPicker& picker() const { return *picker_; }

  signals:
    // Stars picked: the rating form opens with them.
    void rate(int stars);

  private:
    Settings& settings_;
    std::function<Date()> clock_;
    StarPicker* picker_;
};

}  // namespace tv
