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

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    AppIcons& icons_;
    std::optional<std::string> path_;
};

}  // namespace tv
