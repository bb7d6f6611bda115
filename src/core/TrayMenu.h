#pragma once

#include <array>

namespace tv {

// The tray item's menu, the same wherever the item sits (in a status-notifier host or docked
// in a tray that embeds windows): what each entry does, in order, with its text.
enum class TrayMenuEntry { open, settings, quit };

struct TrayMenuItem {
    TrayMenuEntry entry;
    const char* label;
};

inline constexpr std::array<TrayMenuItem, 3> trayMenu{{
    {TrayMenuEntry::open, "Open TallyVane"},
    {TrayMenuEntry::settings, "Settings"},
    {TrayMenuEntry::quit, "Quit TallyVane"},
}};

}  // namespace tv
