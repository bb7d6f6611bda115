#include "ui/Sounds.h"

#include "platform/Platform.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"

namespace tv {

Sounds::Sounds(const Settings& settings, std::unique_ptr<SoundPlayer> player, std::string ownFolder)
    : settings_(settings), player_(std::move(player)), ownFolder_(std::move(ownFolder)) {}

std::string Sounds::ownFolder() {
    return platform::resourceFolder("sounds");
}

void Sounds::build() {
    built_ = true;
    std::string folder = ownFolder_;
    if (auto chosen = settings_.text(SettingKeys::soundFolder); chosen && !chosen->isEmpty()) {
        folder = chosen->toStdString();
    }
    for (const char* name : {"Select", "Switch"}) {
        std::string file = folder + "/" + name + ".wav";
        if (player_->accepts(file)) {
            files_[name] = file;
        }
    }
}

void Sounds::play(const std::string& name) {
    if (!settings_.isOn(SettingKeys::sounds)) {
        return;
    }
    if (!built_) {
        build();
    }
    auto it = files_.find(name);
    if (it != files_.end()) {
        player_->play(it->second);
    }
}

}  // namespace tv
