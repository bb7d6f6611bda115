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
};

}  // namespace tv
