#pragma once

#include <QAbstractButton>
#include <QWidget>

#include <array>
#include <optional>

namespace tv {

// Five stars: gold up to the count shown, faint beyond it. The count shown is the star under
// the pointer while there is one, else `stars`. Each star is a button ("1 star", "2 stars",
// …) that picks its number; the group is "Rating", described as "N of 5 stars".
class StarPicker : public QWidget {
    Q_OBJECT
  public:
    static QColor gold() { return QColor::fromRgbF(1.0f, 0.7f, 0.13f); }

    // Stars drawn `size` points high.
    explicit StarPicker(double size, QWidget* parent = nullptr);

    int stars() const { return stars_; }
    void setStars(int stars);
    std::optional<int> pointed() const { return pointed_; }
    int shown() const { return pointed_.value_or(stars_); }
    // Star `n` (1 … 5).
    QAbstractButton* star(int n) const { return buttons_.at(static_cast<std::size_t>(n - 1)); }

  signals:
    void picked(int stars);

  private:
    friend class StarButton;
    void point(int n, bool on);
    void refresh();

    double size_;
    int stars_ = 0;
    std::optional<int> pointed_;
    std::array<QAbstractButton*, 5> buttons_{};
};

}  // namespace tv
