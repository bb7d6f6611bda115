#pragma once

#include <string>

#include "platform/Displays.h"

namespace tv {

// Whether and how the tray program can start its toolkit, from the toolkit platform the
// environment asks for (QT_QPA_PLATFORM, empty when unset) and the displays that answer.
struct GuiStart {
    bool possible = false;
    // The toolkit platform to ask for; empty to leave the environment's choice.
    std::string platform;

    static GuiStart choose(const std::string& requested, platform::Displays displays);

    // Whether the toolkit should send its X11 frames inside its requests rather than through
    // shared memory (QT_XCB_NO_MITSHM), given the X server's resources and the toolkit's
    // scale settings (QT_SCALE_FACTOR, QT_SCREEN_SCALE_FACTORS; empty when unset).
    //
    // The open panel draws about 30 small frames a second (its charts). Through shared memory
    // each frame first waits on a round trip to the X server, so that the server is done
    // reading the last one; inside the request it costs a copy instead, which grows with the
    // pixels. Measured at one device pixel per point, the program spends half a point of a
    // core less and the server no more; at two, the copies cost both more than the round trips
    // did. So only below 1.5 device pixels per point, and not when the scale per screen is
    // set, where it cannot be told.
    static bool framesInRequests(const std::string& x11Resources, const std::string& scaleFactor,
                                 const std::string& screenScaleFactors);
    // The Xft.dpi resource (dots per inch the desktop asks fonts and the toolkit to scale to);
    // 0 when it is absent or not a positive number.
    static double xftDpi(const std::string& resources);

    // The one line the tray program prints when no display answers: what it needs, and what
    // runs without one.
    static std::string noDesktopText();
};

}  // namespace tv
