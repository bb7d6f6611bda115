#pragma once

#include "platform/SoundPlayer.h"

struct ca_context;

namespace tv::linux_os {

// Sound effects through libcanberra (PulseAudio or ALSA, whichever it finds).
class CanberraPlayer : public SoundPlayer {
  public:
    CanberraPlayer();
    ~CanberraPlayer() override;
    CanberraPlayer(const CanberraPlayer&) = delete;
    CanberraPlayer& operator=(const CanberraPlayer&) = delete;

    // A readable RIFF/WAVE file with 8- or 16-bit PCM.
    bool accepts(const std::string& path) override;
    void play(const std::string& path) override;
    // Through the XDG sound theme lookup (the desktop's theme, then the freedesktop one).
    void playThemed(const std::string& name) override;
    // Play and wait until the sound has finished (or failed); for tools and tests.
    bool playAndWait(const std::string& path);
    bool playThemedAndWait(const std::string& name);

  private:
    bool playAndWait(const char* property, const std::string& value);
    // After the first sound has loaded the driver: keeps it loaded for good (see the .cpp).
    void keepDriversLoadedOnce();

    ca_context* context_ = nullptr;
    bool driversKept_ = false;
};

}  // namespace tv::linux_os
