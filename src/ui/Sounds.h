#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/SoundPlayer.h"

namespace tv {

class Settings;

// The panel's click sounds, "Select" and "Switch". The table of playable files is built at
// the first play, from the "soundFolder" setting when it names a folder, else from the
// program's own sound folder; a missing or unplayable file silences only that sound. Plays
// nothing while the "sounds" switch is off.
class Sounds {
  public:
    Sounds(const Settings& settings, std::unique_ptr<SoundPlayer> player, std::string ownFolder);

    void play(const std::string& name);

    // The folder holding the program's own sound files: in the build tree or under the
    // installation prefix; empty when there is none.
    static std::string ownFolder();

  private:
    void build();

    const Settings& settings_;
    std::unique_ptr<SoundPlayer> player_;
    std::string ownFolder_;
    bool built_ = false;
    std::map<std::string, std::string> files_;
};

}  // namespace tv
