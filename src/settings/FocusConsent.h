#pragma once

#include "platform/FocusExtension.h"
#include "settings/Settings.h"

namespace tv {

// Whether the front-window add-on runs is the user's choice. TallyVane offers it once, when
// it is installed but off and the user was never asked; the answer is kept (key
// "focusExtension": "asked" once offered, then "on" or "off"), so the offer never comes back,
// also across restarts. The settings row turns it on or off at any time.
class FocusConsent {
  public:
    FocusConsent(Settings& settings, FocusExtension& extension);

    FocusExtension::State state() { return extension_.state(); }
    // Installed but off, and never offered.
    bool shouldOffer();
    // The offer was shown.
    void offered();
    // The user said yes (the offer's action or the settings row): turns it on; true when it
    // is on now.
    bool accept();
    // The user said no, or turned it off in the settings: turns it off; true when it is off.
    bool decline();
    // The user closed the offer without an answer: counts as no, nothing changes in the desktop.
    void dismissed();

  private:
    Settings& settings_;
    FocusExtension& extension_;
};

}  // namespace tv
