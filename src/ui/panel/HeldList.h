#pragma once

#include <QVBoxLayout>
#include <QWidget>

#include <vector>

#include "core/Held.h"

namespace tv {

class AppIcons;
class PillButton;

// "Held back for you": each app make way holds back, tagged "Paused" or "Slowed", with its
// own "Resume", and "Resume all" when there are two or more.
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

  signals:
    void resume(const std::string& id);
    void resumeAll();

  private:
    AppIcons& icons_;
    std::vector<Held> held_;
    PillButton* resumeAll_;
    QWidget* list_;
    QVBoxLayout* rows_;
};

}  // namespace tv
