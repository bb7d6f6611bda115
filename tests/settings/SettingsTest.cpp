#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QDateTime>
#include <QSettings>
#include <QTemporaryDir>

#include <fstream>

#include "settings/AlertSwitches.h"
#include "settings/SettingKeys.h"
#include "support/Spawned.h"

namespace tv {
namespace {

class SettingsTest : public testing::Test {
  protected:
    void writeIni(const std::string& text) {
        std::ofstream(path.toStdString(), std::ios::trunc) << text;
    }
    // Settings that tell moments apart on the test's own clock.
    Settings onTestClock() {
        return Settings(path, [this] { return momentFromSeconds(now); });
    }
    // Past the moment in which reads share one look at the file.
    void nextMoment() { now += 2 * std::chrono::duration<double>(Settings::sameMoment).count(); }
    double now = 100;
    std::string readIni() const { return test::textOf(path.toStdString()); }
    QTemporaryDir dir;
    QString path = dir.filePath("TallyVane.ini");
};

TEST_F(SettingsTest, SwitchesAreOnUnlessABooleanFalseIsStored) {
    writeIni(
        "[General]\nalertMemory=false\nalertHeat=0\nalertStuckApp=yes\nmakeWay=\nsounds=true\n"
        "menuCPU=\"false\"\nmenuMemory=FALSE\n");
    Settings settings(path);
    EXPECT_FALSE(settings.isOn(SettingKeys::alertMemory));
    EXPECT_TRUE(settings.isOn(SettingKeys::alertHeat));      // a number is not a boolean
    EXPECT_TRUE(settings.isOn(SettingKeys::alertStuckApp));  // nor is "yes"
    EXPECT_TRUE(settings.isOn(SettingKeys::makeWay));        // empty
    EXPECT_TRUE(settings.isOn(SettingKeys::sounds));
    EXPECT_FALSE(settings.isOn(SettingKeys::menuCPU));    // quoted, it reads back the same
    EXPECT_TRUE(settings.isOn(SettingKeys::menuMemory));  // exact text only
    EXPECT_TRUE(settings.isOn(SettingKeys::menuHeat));    // absent
    EXPECT_FALSE(settings.flag(SettingKeys::sortByCPU));

    AlertRules::Switches switches = currentSwitches(settings);
    EXPECT_FALSE(switches.memory);
    EXPECT_TRUE(switches.heat);
    EXPECT_TRUE(switches.stuck);
}

TEST_F(SettingsTest, FreshStoreHasTheDefaults) {
    Settings settings(path);
    for (const char* key :
         {SettingKeys::menuCPU, SettingKeys::menuMemory, SettingKeys::menuHeat,
          SettingKeys::alertMemory, SettingKeys::alertHeat, SettingKeys::alertStuckApp,
          SettingKeys::makeWay, SettingKeys::sounds}) {
        EXPECT_TRUE(settings.isOn(key)) << key;
    }
    EXPECT_EQ(settings.panel(), "cpu");
    EXPECT_FALSE(settings.flag(SettingKeys::sortByCPU));
    EXPECT_FALSE(settings.flag(SettingKeys::loginItemSetUp));
    EXPECT_EQ(settings.integer(SettingKeys::reviewStars), 0);
    EXPECT_EQ(settings.integer(SettingKeys::demoLoop), 0);
    EXPECT_EQ(settings.real(SettingKeys::crashesAskedUntil), 0.0);
    EXPECT_FALSE(settings.date(SettingKeys::firstLaunch).has_value());
    EXPECT_FALSE(settings.text(SettingKeys::soundFolder).has_value());
}

TEST_F(SettingsTest, GarbageValuesReadAsDefaults) {
    writeIni(
        "[General]\ndemoPressure=lots\ndemoLoop= 3 \nreviewStars=4.5\nreviewNotNowAt=nan\n"
        "panel=sideways\nfirstLaunch=yesterday\ndemoHide=Mail, Notes\n");
    Settings settings(path);
    EXPECT_EQ(settings.integer(SettingKeys::demoPressure), 0);
    EXPECT_EQ(settings.integer(SettingKeys::demoLoop), 3);
    EXPECT_EQ(settings.integer(SettingKeys::reviewStars), 0);
    EXPECT_EQ(settings.real(SettingKeys::reviewNotNowAt), 0.0);
    EXPECT_EQ(settings.panel(), "cpu");
    EXPECT_FALSE(settings.date(SettingKeys::firstLaunch).has_value());
    EXPECT_EQ(settings.text(SettingKeys::demoHide), QString("Mail,Notes"));
}

TEST_F(SettingsTest, AFileThatIsNotIniAtAllReadsAsDefaults) {
    std::string junk(4096, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>((i * 7919) % 256);
    }
    writeIni(junk);
    Settings settings(path);
    EXPECT_TRUE(settings.isOn(SettingKeys::alertMemory));
    EXPECT_EQ(settings.integer(SettingKeys::demoPressure), 0);
    EXPECT_EQ(settings.panel(), "cpu");
}

TEST_F(SettingsTest, ValuesRoundTripAndAreSeenByOtherInstancesAtOnce) {
    Settings writer(path);
    Settings reader = onTestClock();  // as the sampling thread keeps its own
    writer.setBoolean(SettingKeys::alertHeat, false);
    writer.setInteger(SettingKeys::demoPressure, 4);
    writer.setText(SettingKeys::panel, "gpu");
    Date launch = dateFromSeconds(1'700'000'000.25);
    writer.setDate(SettingKeys::firstLaunch, launch);
    EXPECT_FALSE(reader.isOn(SettingKeys::alertHeat));
    EXPECT_EQ(reader.integer(SettingKeys::demoPressure), 4);
    EXPECT_EQ(reader.panel(), "gpu");
    EXPECT_EQ(reader.date(SettingKeys::firstLaunch), launch);
    writer.remove(SettingKeys::demoPressure);
    nextMoment();
    EXPECT_EQ(reader.integer(SettingKeys::demoPressure), 0);
}

TEST_F(SettingsTest, ReadsInOneMomentShareOneLookAndTheNextMomentLooksAgain) {
    writeIni("[General]\ndemoPressure=2\n");
    Settings settings = onTestClock();
    EXPECT_EQ(settings.integer(SettingKeys::demoPressure), 2);
    Settings(path).setInteger(SettingKeys::demoPressure, 4);
    EXPECT_EQ(settings.integer(SettingKeys::demoPressure), 2) << "the same moment";
    now += 0.0005;
    EXPECT_EQ(settings.integer(SettingKeys::demoPressure), 2) << "still within it";
    now += 0.0006;
    EXPECT_EQ(settings.integer(SettingKeys::demoPressure), 4) << "a moment later";

    // Its own writes count at once, and a clock that went back is no reason to trust the look.
    settings.setInteger(SettingKeys::demoPressure, 3);
    EXPECT_EQ(settings.integer(SettingKeys::demoPressure), 3);
    Settings(path).setInteger(SettingKeys::demoPressure, 1);
    now -= 10;
    EXPECT_EQ(settings.integer(SettingKeys::demoPressure), 1);
}

TEST_F(SettingsTest, EditsMadeOutsideCountFromTheNextRead) {
    writeIni("[General]\nalertHeat=true\n");
    Settings settings = onTestClock();
    EXPECT_TRUE(settings.isOn(SettingKeys::alertHeat));
    writeIni("[General]\nalertHeat=false\n");  // in place
    nextMoment();
    EXPECT_FALSE(settings.isOn(SettingKeys::alertHeat));
    std::ofstream(dir.filePath("other.ini").toStdString()) << "demoPressure=4\n";
    ASSERT_EQ(::rename(dir.filePath("other.ini").toStdString().c_str(), path.toStdString().c_str()),
              0);  // replaced, as editors save
    nextMoment();
    EXPECT_TRUE(settings.isOn(SettingKeys::alertHeat));
    EXPECT_EQ(settings.integer(SettingKeys::demoPressure), 4);
    ::unlink(path.toStdString().c_str());
    nextMoment();
    EXPECT_EQ(settings.integer(SettingKeys::demoPressure), 0);
}

TEST_F(SettingsTest, APipeAFolderOrAnOversizedFileReadsAsDefaultsAndIsNeverWritten) {
    auto check = [&](const char* what) {
        Settings settings(path);
        EXPECT_TRUE(settings.unreadable()) << what;
        EXPECT_TRUE(settings.isOn(SettingKeys::alertHeat)) << what;
        EXPECT_FALSE(settings.setBoolean(SettingKeys::loginItemSetUp, true)) << what;
        EXPECT_FALSE(settings.flag(SettingKeys::loginItemSetUp)) << what;
    };
    ASSERT_EQ(::mkfifo(path.toStdString().c_str(), 0600), 0);
    check("pipe");  // would block for ever if opened
    struct stat info {};
    ASSERT_EQ(::stat(path.toStdString().c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    ::unlink(path.toStdString().c_str());

    ASSERT_TRUE(QDir().mkdir(path));
    check("folder");
    ASSERT_TRUE(QDir().rmdir(path));

    std::string big = "[General]\nalertHeat=false\n;" + std::string(Settings::largestFile, 'x');
    writeIni(big);
    check("over 1 MiB");
    EXPECT_EQ(readIni(), big);
    writeIni(std::string("[General]\nalertHeat=false\n\0\n", 29));
    check("binary");
}

TEST_F(SettingsTest, AWriteChangesOnlyItsOwnLineOfAHandEditedFile) {
    const std::string edited =
        "; my settings\n"
        "[General]\n"
        "sounds = false   ; quiet please\n"
        "zeta=1\n"
        "alertHeat=true\n"
        "soundFolder=/home/me/Klänge\n"
        "\n"
        "[Other]\n"
        "alertHeat=keep me\n";
    writeIni(edited);
    Settings settings(path);
    EXPECT_FALSE(settings.isOn(SettingKeys::sounds));
    EXPECT_EQ(settings.text(SettingKeys::soundFolder), QString::fromUtf8("/home/me/Klänge"));
    ASSERT_TRUE(settings.setBoolean(SettingKeys::alertHeat, false));
    ASSERT_TRUE(settings.setInteger(SettingKeys::reviewStars, 5));
    std::string expected = edited;
    expected.replace(expected.find("alertHeat=true"), 14, "alertHeat=false");
    expected.insert(expected.find("\n\n[Other]") + 1, "reviewStars=5\n");
    EXPECT_EQ(readIni(), expected);
    ASSERT_TRUE(settings.remove(SettingKeys::reviewStars));
    ASSERT_TRUE(settings.remove(SettingKeys::demoLoop));  // absent: nothing to do
    expected.erase(expected.find("reviewStars=5\n"), 14);
    EXPECT_EQ(readIni(), expected);
}

TEST_F(SettingsTest, TextsAndDatesReadBackExactlyAndOlderStoredDatesStillRead) {
    Settings settings(path);
    for (const QString& text : {QString(" a, b; \"c\" \\d\t#e "), QString("@home"),
                                QString("x\x01"
                                        "7"),
                                QString()}) {
        ASSERT_TRUE(settings.setText(SettingKeys::demoHide, text));
        EXPECT_EQ(settings.text(SettingKeys::demoHide), text);
    }
    QDateTime launch = QDateTime::fromMSecsSinceEpoch(1'700'000'000'250, Qt::UTC);
    {
        QSettings older(path, QSettings::IniFormat);  // as earlier runs stored it
        older.setValue(SettingKeys::firstLaunch, launch);
    }
    EXPECT_EQ(settings.date(SettingKeys::firstLaunch), dateFromSeconds(1'700'000'000.25));
}

}  // namespace
}  // namespace tv
