// Plays one of the panel's sounds the way the program does, and waits for it to finish:
//   tallyvane_test_sound SETTINGS.ini NAME FOLDER
// or the desktop sound theme's sound of that name:
//   tallyvane_test_sound --theme NAME
#include <memory>
#include <string>

#include "platform/linux/sound/CanberraPlayer.h"
#include "settings/Settings.h"
#include "ui/Sounds.h"

namespace {

// Waits for each sound, so the process does not end before the device has it.
class WaitingPlayer : public tv::SoundPlayer {
  public:
    bool accepts(const std::string& path) override { return player_.accepts(path); }
    void play(const std::string& path) override { player_.playAndWait(path); }

  private:
    tv::linux_os::CanberraPlayer player_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--theme") {
        return tv::linux_os::CanberraPlayer().playThemedAndWait(argv[2]) ? 0 : 1;
    }
    if (argc != 4) {
        return 2;
    }
    tv::Settings settings(QString::fromLocal8Bit(argv[1]));
    tv::Sounds sounds(settings, std::make_unique<WaitingPlayer>(), argv[3]);
    sounds.play(argv[2]);
    return 0;
}
