#include "ui/Sounds.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/linux/sound/CanberraPlayer.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "support/Spawned.h"
#include "ui/WaveSynth.h"

namespace tv {
namespace {

// Remembers what it was asked to play; accepts what CanberraPlayer accepts.
class RecordingPlayer : public SoundPlayer {
  public:
    explicit RecordingPlayer(std::vector<std::string>* played) : played_(played) {}
    bool accepts(const std::string& path) override { return real_.accepts(path); }
    void play(const std::string& path) override { played_->push_back(path); }

  private:
    std::vector<std::string>* played_;
    linux_os::CanberraPlayer real_;
};

class SoundsTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(WaveSynth::write(own.path().toStdString(), "Select"));
        ASSERT_TRUE(WaveSynth::write(own.path().toStdString(), "Switch"));
    }
    Sounds sounds() {
        return Sounds(settings, std::make_unique<RecordingPlayer>(&played),
                      own.path().toStdString());
    }

    QTemporaryDir own, config;
    Settings settings{config.filePath("TallyVane.ini")};
    std::vector<std::string> played;
};

TEST_F(SoundsTest, PlaysOurFilesUnlessSwitchedOff) {
    Sounds s = sounds();
    s.play("Select");
    s.play("Switch");
    s.play("Beep");
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0], own.filePath("Select.wav").toStdString());

    settings.setText(SettingKeys::sounds, QStringLiteral("no"));  // not a boolean: still on
    s.play("Select");
    EXPECT_EQ(played.size(), 3u);
    settings.setBoolean(SettingKeys::sounds, false);
    s.play("Select");
    EXPECT_EQ(played.size(), 3u);
}

TEST_F(SoundsTest, AChosenFolderWithOnlyOneFilePlaysOnlyThatOne) {
    QTemporaryDir chosen;
    WaveSynth::write(chosen.path().toStdString(), "Select");
    std::ofstream(chosen.filePath("Switch.wav").toStdString()) << "not a sound";
    settings.setText(SettingKeys::soundFolder, chosen.path());
    Sounds s = sounds();
    s.play("Switch");
    s.play("Select");
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0], chosen.filePath("Select.wav").toStdString());
}

TEST_F(SoundsTest, APipeNamedLikeASoundIsNeverOpened) {
    QTemporaryDir chosen;
    ASSERT_EQ(::mkfifo(chosen.filePath("Select.wav").toStdString().c_str(), 0600), 0);
    settings.setText(SettingKeys::soundFolder, chosen.path());
    Sounds s = sounds();
    s.play("Select");  // would wait for a writer for ever if opened
    EXPECT_TRUE(played.empty());
}

TEST(WaveSynthTest, MakesShort16BitPcmClicks) {
    for (const char* name : {"Select", "Switch"}) {
        auto samples = WaveSynth::samples(name);
        EXPECT_GT(samples.size(), 400u);
        EXPECT_LT(samples.size(), 4410u) << "a click, not a tone";
        auto file = WaveSynth::waveFile(samples);
        EXPECT_EQ(file.size(), 44 + samples.size() * 2);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
        EXPECT_EQ(file[34], 16);
    }
    EXPECT_TRUE(WaveSynth::samples("Other").empty());
}

// Plays through libcanberra into an ALSA file sink set up for a child process.
TEST(CanberraPlayerTest, SelectReachesTheSoundDeviceAndSwitchedOffStaysSilent) {
    QTemporaryDir home;
    std::string out = home.filePath("out.raw").toStdString();
    std::ofstream(home.filePath(".asoundrc").toStdString())
        << "pcm.!default { type file slave.pcm \"null\" file \"" << out << "\" format \"raw\" }\n";
    std::string ini = home.filePath("TallyVane.ini").toStdString();
    std::string run = "HOME=" + home.path().toStdString() +
                      " CANBERRA_DRIVER=alsa PULSE_SERVER=none " TALLYVANE_TEST_SOUND " " + ini +
                      " Select " TALLYVANE_SOUNDS;
    EXPECT_EQ(std::system(run.c_str()), 0);
    ASSERT_TRUE(std::filesystem::exists(out));
    EXPECT_GT(std::filesystem::file_size(out), 1000u);

    std::filesystem::remove(out);
    Settings(QString::fromStdString(ini)).setBoolean(SettingKeys::sounds, false);
    std::system(run.c_str());
    EXPECT_FALSE(std::filesystem::exists(out) && std::filesystem::file_size(out) > 0);
}

}  // namespace
}  // namespace tv
