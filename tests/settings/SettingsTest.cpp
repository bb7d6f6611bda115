#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

#include "settings/AlertSwitches.h"
#include "settings/SettingKeys.h"

namespace tv {
namespace {

class SettingsTest : public testing::Test {
  protected:
    void writeIni(const std::string& text) {
        std::ofstream(path.toStdString(), std::ios::trunc) << text;
    }
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
    Settings reader(path);  // as the sampling thread keeps its own
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
    EXPECT_EQ(reader.integer(SettingKeys::demoPressure), 0);
}

}  // namespace
}  // namespace tv
