#include "core/TrayHost.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(TrayHostTest, EachKnownHostGetsTheShapeItCanShowWhole) {
    struct Case {
        const char* watcher;
        const char* embed;
        TrayShape shape;
    };
    const Case cases[] = {
        {"gnome-shell", "", TrayShape::squareWithText},
        {"plasmashell", "", TrayShape::square},
        {"kded5", "", TrayShape::square},
        {"kded6", "", TrayShape::square},
        {"waybar", "", TrayShape::wide},
        {"xfce4-panel", "", TrayShape::square},
        {"xapp-sn-watcher", "", TrayShape::square},
        {"some-new-bar", "", TrayShape::square},
        {"", "", TrayShape::none},
        // Trays that embed windows keep the docked label, whatever else runs.
        {"", "trayer", TrayShape::docked},
        {"xfce4-panel", "xfce4-panel", TrayShape::docked},
        {"xapp-sn-watcher", "cinnamon", TrayShape::docked},
        // KDE's embedding proxy crops windows: the item goes to the watcher instead.
        {"kded5", "xembedsniproxy", TrayShape::square},
        {"plasmashell", "plasmashell", TrayShape::square},
        // GNOME's AppIndicator extension also embeds windows (through Xwayland, in an opaque
        // box); its item labels are the native way.
        {"gnome-shell", "gnome-shell", TrayShape::squareWithText},
        {"", "xembedsniproxy", TrayShape::none},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trayShapeFor(c.watcher, c.embed), c.shape)
            << "watcher '" << c.watcher << "', embedding '" << c.embed << "'";
    }
}

TEST(TrayHostTest, TheMarkIsLightOnlyOnHostsWhosePanelIsDark) {
    EXPECT_TRUE(hostPanelIsDark("gnome-shell"));
    EXPECT_TRUE(hostPanelIsDark("waybar"));
    EXPECT_FALSE(hostPanelIsDark("plasmashell"));
    EXPECT_FALSE(hostPanelIsDark(""));
}

}  // namespace
}  // namespace tv
