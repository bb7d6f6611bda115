#pragma once

namespace tv {

// The desktop's wish for less motion, kept on the application object so that every
// animation in the process meets the same answer without it being handed down to each view.
// When motion is reduced, springs and fades jump straight to where they end. Nothing stored
// means the desktop has not asked: things move.
class Motion {
  public:
    static bool reduced();
    // Set by the shell from the desktop's setting, again whenever that changes.
    static void setReduced(bool reduced);
};

}  // namespace tv
