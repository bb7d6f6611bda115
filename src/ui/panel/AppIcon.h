#pragma once

#include <QWidget>

#include <optional>
#include <string>

namespace tv {

class AppIcons;

// An app's icon at `size` points; for a command typed in a terminal (no path) the terminal
// symbol in a faint rounded square.
class AppIcon : public QWidget {
    Q_OBJECT
  public:
    AppIcon(AppIcons& icons, int size, QWidget* parent = nullptr);
    void setPath(const std::optional<std::string>& path);
    bool showsTerminal() const { return !path_; }
    // Drawn entering: `progress` 0 → 1 fades it in as it grows from 0.7 of its size.
    void setEntrance(double progress);
    double entrance() const { return entrance_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    AppIcons& icons_;
    std::optional<std::string> path_;
    double entrance_ = 1;
};

}  // namespace tv
