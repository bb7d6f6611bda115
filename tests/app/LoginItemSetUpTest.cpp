#include "app/LoginItemSetUp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>

#include <fstream>

#include "settings/SettingKeys.h"

namespace tv {
namespace {

struct CountingLoginItem : LoginItem {
    bool enable(const std::string&) override { return ++enabled, true; }
    bool disable() override { return true; }
    bool isEnabled() override { return enabled > 0; }
    bool follow(const std::string&) override { return true; }
    int enabled = 0;
};

TEST(LoginItemSetUp, OnlyOnceAndOnlyWhenTheFlagWasReallyStored) {
    QTemporaryDir dir;
    CountingLoginItem item;
    Settings fresh(dir.filePath("TallyVane.ini"));
    setUpLoginItemOnce(fresh, item, "/usr/bin/tallyvane");
    setUpLoginItemOnce(fresh, item, "/usr/bin/tallyvane");
    EXPECT_EQ(item.enabled, 1);
    EXPECT_TRUE(Settings(dir.filePath("TallyVane.ini")).flag(SettingKeys::loginItemSetUp));

    // Settings that cannot be stored: a pipe in the file's place, a file in its folder's.
    ASSERT_EQ(::mkfifo(dir.filePath("pipe.ini").toStdString().c_str(), 0600), 0);
    std::ofstream(dir.filePath("file").toStdString()) << "x";
    for (const char* path : {"pipe.ini", "file/TallyVane.ini"}) {
        CountingLoginItem untouched;
        Settings broken(dir.filePath(path));
        for (int start = 0; start < 2; ++start) {
            setUpLoginItemOnce(broken, untouched, "/usr/bin/tallyvane");
        }
        EXPECT_EQ(untouched.enabled, 0) << path;
    }
}

}  // namespace
}  // namespace tv
