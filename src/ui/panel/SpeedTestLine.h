#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

#include "core/Date.h"
#include "core/SpeedResult.h"
#include "core/Vocabulary.h"
#include "ui/controls/Spring.h"

namespace tv {

class SpeedTestRun;

// The speed test's line under the network row, 14 points high: after a failed test, the
// orange warning "Speed test failed. Check your connection."; before any result, what the
// test does; with a result, "Download", "Upload" and "Ping" with their figures and how long
// ago it was measured, kept current while shown.
class SpeedTestLine : public QWidget {
    Q_OBJECT
  public:
    SpeedTestLine(SpeedTestRun& run, const Vocabulary& words, std::function<Date()> clock,
                  QWidget* parent = nullptr);

    // The texts shown now, in reading order, separated by blanks.
    QString text() const;
    // How far a changed result has come in (0 → 1 along its spring; 1 = settled).
    double changeShown() const { return changeShown_; }

  protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void refresh();

    SpeedTestRun& run_;
    const Vocabulary& words_;
    std::function<Date()> clock_;
    QWidget* failure_;
    QLabel* explanation_;
    QWidget* figures_;
    QLabel* down_;
    QLabel* up_;
    QLabel* ping_;
    QLabel* when_;
    QTimer ticker_;
    // A new result or failure fades in (spring: response 0.35 s, damping 1); the clock's
    // "2 minutes ago" moving on is no change.
    bool hasShown_ = false;
    bool shownFailed_ = false;
    std::optional<SpeedResult> shownResult_;
    double changeShown_ = 1;
    SpringAnimation change_;
};

}  // namespace tv
