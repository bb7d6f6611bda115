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

    // The one line the tray program prints when no display answers: what it needs, and what
    // runs without one.
    static std::string noDesktopText();
};

}  // namespace tv
