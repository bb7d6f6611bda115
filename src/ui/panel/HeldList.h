#pragma once

#include <QPointer>
#include <QWidget>

#include <vector>

class QScrollArea;

#include "core/Held.h"
#include "ui/controls/Spring.h"

namespace tv {

class AppIcons;
class PillButton;

// "Held back for you": each app make way holds back, tagged "Paused" or "Slowed", with its
// own "Resume", and "Resume all" when there are two or more.
//
// Rows are keyed by app id. While shown, a change of the list animates on a spring
// (response 0.35 s, damping 0.85): a new row fades in moving down from above its place, a
// row that goes fades out moving up (disabled at once, deleted when its animation ends),
// the others slide to their new places and the list's height follows. Hidden, a change
// applies at once.
class HeldList : public QWidget {
    Q_OBJECT
  public:
    HeldList(AppIcons& icons, QWidget* parent = nullptr);

    // Already in order: paused first, then by name.
    void setHeld(const std::vector<Held>& held);
    const std::vector<Held>& held() const { return held_; }
    PillButton& resumeAllButton() { return *resumeAll_; }
    // The row buttons in list order.
    std::vector<PillButton*> resumeButtons() const;
    std::vector<QString> tags() const;
    // Whether a change is still animating.
    bool animating() const;

  signals:
    void resume(const std::string& id);
    void resumeAll();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // One row on screen: where it starts and ends in the current change (y in the list,
    // opacity), and whether it is on its way out.
    struct Row {
        std::string id;
        QPointer<QWidget> view;
        double fromY = 0, toY = 0;
        double fromOpacity = 1, toOpacity = 1;
        bool leaving = false;
    };

    QWidget* makeRow(const Held& held);
    void step(double progress);
    void settle();

    AppIcons& icons_;
    std::vector<Held> held_;
    PillButton* resumeAll_;
    QScrollArea* scroll_;
    QWidget* list_;
    std::vector<Row> rows_;  // in list order, leaving rows where they were
    double fromHeight_ = 0, toHeight_ = 0;
    double progress_ = 1;
    SpringAnimation change_;
};

}  // namespace tv
