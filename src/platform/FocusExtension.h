#pragma once

namespace tv {

// The desktop's add-on of ours that tells TallyVane which window is in front, where the
// desktop keeps that to itself (GNOME Shell on Wayland). It runs inside the desktop, so it is
// turned on only when the user says so.
class FocusExtension {
  public:
    enum class State {
        absent,  // not this desktop, or the add-on is not installed
        off,     // installed, not turned on
        broken,  // turned on but the desktop cannot run it (an error, a newer desktop)
        on,      // running: it reports the front window
    };

    virtual ~FocusExtension() = default;
    virtual State state() = 0;
    // Turn it on or off in the desktop; true when the desktop did.
    virtual bool enable() = 0;
    virtual bool disable() = 0;
};

}  // namespace tv
