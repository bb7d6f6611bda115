#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tv {

// Docks a window of ours into the desktop's system tray where the tray embeds windows
// (XEmbed). The window keeps the size it asks for, so the tray slot is as wide as the label.
class TrayEmbedder {
  public:
    virtual ~TrayEmbedder() = default;
    // A tray that embeds windows is running.
    virtual bool available() = 0;
    // Asks the tray to take in the window; false when there is no such tray.
    virtual bool dock(std::uintptr_t window) = 0;
    // Whether the tray gave the docked window, and the slot it sits in, the `width` in pixels
    // the label needs. A loaded tray may size the slot before it sees the window's state or
    // size hints and then keep it, and the window, a pixel wide; then this announces the
    // window's state and size hints again so that the tray measures it anew, and answers
    // false. Trays that say nothing answer true.
    virtual bool slotFits(std::uintptr_t /*window*/, int /*width*/) { return true; }
    // The tray composites its icons with their alpha channel (it names a 32-bit visual for
    // them), so a docked window may leave its background transparent. Otherwise a docked
    // window must paint every pixel: what it leaves out shows as black.
    virtual bool transparentSlots() { return false; }
    // The colour the tray asks its icons to draw in (0xRRGGBB), for a label in one colour;
    // absent when the tray does not say.
    virtual std::optional<std::uint32_t> foreground() { return std::nullopt; }
    // The process name of the tray's owner; empty when it does not say.
    virtual std::string ownerName() { return {}; }
};

}  // namespace tv
