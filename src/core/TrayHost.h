#pragma once

#include <string>

namespace tv {

// How the label is shown, chosen by which program hosts tray items on this desktop.
enum class TrayShape {
    none,            // nothing to show it in: keep working, tell the user once
    docked,          // a tray that embeds windows: our own label window, as wide as the label
    wide,            // a host that keeps the icon's aspect: the wide label as the icon
    squareWithText,  // a host that shows item labels: a square mark plus the readings as text
    square,          // a host with square slots: one reading drawn for the slot
};

// The shape for the process names (comm) owning the status-notifier watcher and the
// window-embedding tray selection; empty when there is none. An unknown host gets the
// square icon, which every host shows whole. KDE's embedding proxy crops windows and GNOME's
// boxes them, so neither gets the docked window.
TrayShape trayShapeFor(const std::string& watcherOwner, const std::string& embedOwner);

// Whether the host's panel is dark by default, so the mark is drawn light.
bool hostPanelIsDark(const std::string& watcherOwner);

}  // namespace tv
