#pragma once

#include <QPixmap>

#include <map>
#include <optional>
#include <string>

namespace tv {

class DesktopApps;

// Apps' icons, each drawn once into a 64 × 64 bitmap and kept by application path. An app
// whose entry names no icon, or an icon that cannot be found, gets the generic application
// icon. Main thread only.
class AppIcons {
  public:
    static constexpr int pixels = 64;

    // Without `apps` every app gets the generic icon.
    explicit AppIcons(DesktopApps* apps = nullptr) : apps_(apps) {}

    const QPixmap& icon(const std::string& appPath);
    std::size_t cached() const { return cache_.size(); }

  private:
    QPixmap draw(const std::string& appPath) const;

    DesktopApps* apps_;
    std::map<std::string, QPixmap> cache_;
};

}  // namespace tv
