#pragma once

#include <QWidget>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "ui/controls/Spring.h"

namespace tv {

// A column of equally tall rows, `spacing` apart from the top, placed by hand rather than by a
// layout so that each can be drawn away from its place and spring back to it. The rows are
// kept and reused: when the order changes, the row at a place shows what was at another, so it
// starts where that was and slides home. With reduced motion everything is at once in place.
class SlidingRows : public QWidget {
  public:
    SlidingRows(int rowHeight, int spacing, Spring spring, QWidget* parent = nullptr);
    ~SlidingRows() override;

    // Rows are placed in the order they are added.
    void add(QWidget* row);
    // `from[place]` is where the app now at `place` was shown before (none for a newcomer,
    // which appears in its place). A row still on its way starts from where it is drawn.
    void slide(const std::vector<std::optional<std::size_t>>& from);
    // How far (points, down is positive) the row at `place` is drawn from its place now.
    double offset(std::size_t place) const;
    int pitch() const { return rowHeight_ + spacing_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Slot;
    void place(std::size_t index);

    int rowHeight_;
    int spacing_;
    Spring spring_;
    std::vector<std::unique_ptr<Slot>> slots_;
};

}  // namespace tv
