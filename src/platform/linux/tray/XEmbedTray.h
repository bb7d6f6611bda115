#pragma once

#include <xcb/xcb.h>

#include <map>
#include <string>

#include "platform/TrayEmbedder.h"

namespace tv::linux_os {

// The freedesktop system tray protocol: find the owner of _NET_SYSTEM_TRAY_S<screen> and ask
// it to dock our window.
class XEmbedTray : public TrayEmbedder {
  public:
    XEmbedTray(xcb_connection_t* connection, int screen);

    bool available() override;
    bool dock(std::uintptr_t window) override;
    bool slotFits(std::uintptr_t window, int width) override;
    // From the owner window's _NET_SYSTEM_TRAY_VISUAL: a visual of depth 32.
    bool transparentSlots() override;
    // From the owner window's _NET_SYSTEM_TRAY_COLORS: its first colour, the foreground.
    // Asked with every label, once a second: the owner and its colours are asked in one round
    // trip, from the owner seen last, and asked again only when the tray changed hands.
    std::optional<std::uint32_t> foreground() override;
    // From the owner window's _NET_WM_PID.
    std::string ownerName() override;

  private:
    // Interned once: an atom stays the same for the life of the X server.
    xcb_atom_t atom(const std::string& name);
    // _NET_SYSTEM_TRAY_S<screen>, the selection the tray owns.
    xcb_atom_t selection() { return atom("_NET_SYSTEM_TRAY_S" + std::to_string(screen_)); }
    xcb_window_t owner();
    // Writes the property again as it is, so that whoever watches it reads it anew.
    void rewrite(xcb_window_t window, xcb_atom_t property);

    xcb_connection_t* connection_;
    int screen_;
    std::map<std::string, xcb_atom_t> atoms_;
    xcb_window_t lastOwner_ = XCB_WINDOW_NONE;
};

}  // namespace tv::linux_os
