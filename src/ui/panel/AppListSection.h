#pragma once

#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/ProcessUsage.h"

class QScrollArea;

namespace tv {

class AppIcons;
class Monitor;
class ProcessRow;
class Segmented;
class SlidingRows;

// "Using the most CPU/memory" with its Memory/CPU switch, the five apps using the most in a
// 138-point frame, and the note about what is listed. When the order changes the rows slide
// to their new places. While the pointer is over the rows,
// they keep the order they had when it entered (`heldOrder`), so nothing jumps under it.
//
// On a screen too short for the whole panel the frame can be made shorter (`setFrameHeight`,
// two rows at least): the five rows keep their places and scroll inside it, so the rest of the
// panel stays whole.
class AppListSection : public QWidget {
    Q_OBJECT
  public:
    static constexpr int frameHeight = 138;
    static constexpr int shortestFrame = 54;
    static constexpr int rowHeight = 26;
    static constexpr int rowSpacing = 2;

    AppListSection(Monitor& monitor, AppIcons& icons, bool byCPU,
                   std::function<void(const char*)> play, QWidget* parent = nullptr);

    void refresh();
    bool byCPU() const { return byCPU_; }
    void setByCPU(bool byCPU);
    const std::optional<std::vector<std::string>>& heldOrder() const { return heldOrder_; }
    std::vector<ProcessRow*> rows() const;
    QWidget& frame() { return *frame_; }
    // Between `shortestFrame` and `frameHeight`; rows below the frame's height scroll.
    void setFrameHeight(int height);
    QScrollArea& rowsArea() { return *rowsArea_; }
    SlidingRows& sliding() { return *sliding_; }
    Segmented& order() { return *order_; }

  signals:
    void byCPUChanged(bool byCPU);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Monitor& monitor_;
    AppIcons& icons_;
    bool byCPU_;
    std::optional<std::vector<std::string>> heldOrder_;
    std::vector<std::string> shownIds_;
    QWidget* title_;
    Segmented* order_;
    QWidget* frame_;
    QScrollArea* rowsArea_;
    SlidingRows* sliding_;
    std::vector<ProcessRow*> rows_;
};

}  // namespace tv
