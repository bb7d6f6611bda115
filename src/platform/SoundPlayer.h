#pragma once

#include <string>

namespace tv {

// The desktop's sound-effect service.
class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Whether the file is a sound the service can play (checked once per sound).
    virtual bool accepts(const std::string& path) = 0;
    // Plays the file without waiting for it; silent when there is no audio device.
    virtual void play(const std::string& path) = 0;
    // Plays the sound the desktop's sound theme has under this name ("message-new-instant",
    // the standard sound names), without waiting for it; silent where the theme has none.
    virtual void playThemed(const std::string& /*name*/) {}
};

}  // namespace tv
