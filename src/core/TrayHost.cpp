#include "core/TrayHost.h"

#include <array>
#include <string_view>

namespace tv {

namespace {

bool startsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// KDE's watcher lives in kded (kded5, kded6) or in plasmashell itself.
bool isKde(const std::string& name) {
    return startsWith(name, "kded") || name == "plasmashell" || name == "xembedsniproxy";
}

// Hosts whose own item support is better than the window-embedding tray they also offer:
// KDE's proxy crops windows; GNOME's AppIndicator extension puts embedded windows in an
// opaque box of its own, while it shows item labels natively.
bool prefersItems(const std::string& watcherOwner) {
    return isKde(watcherOwner) || watcherOwner == "gnome-shell";
}

}  // namespace

TrayShape trayShapeFor(const std::string& watcherOwner, const std::string& embedOwner) {
    bool embedding = !embedOwner.empty() && embedOwner != "xembedsniproxy";
    if (embedding && !prefersItems(watcherOwner)) {
        return TrayShape::docked;
    }
    if (watcherOwner.empty()) {
        return TrayShape::none;
    }
    if (watcherOwner == "waybar") {
        return TrayShape::wide;
    }
    if (watcherOwner == "gnome-shell") {
        return TrayShape::squareWithText;
    }
    return TrayShape::square;
}

bool hostPanelIsDark(const std::string& watcherOwner) {
    constexpr std::array<std::string_view, 3> dark{"gnome-shell", "waybar", "xapp-sn-watcher"};
    for (std::string_view name : dark) {
        if (watcherOwner == name) {
            return true;
        }
    }
    return false;
}

}  // namespace tv
