#include "feedback/CrashOffer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <limits>

#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "support/FixtureTree.h"

namespace tv {
namespace {

Date at(double seconds) {
    return dateFromSeconds(seconds);
}

TEST(CrashOffer, ReportsAfterTheAnsweredOneElseAfterTheFirstLaunchElseFromNow) {
    EXPECT_EQ(CrashOffer::since(500, at(100), at(900)), at(500));
    EXPECT_EQ(CrashOffer::since(0, at(100), at(900)), at(100)) << "never asked";
    EXPECT_EQ(CrashOffer::since(0, std::nullopt, at(900)), at(900));
    // A stored value that is no answer counts as never asked, rather than hiding all reports.
    EXPECT_EQ(CrashOffer::since(-5, at(100), at(900)), at(100));
    EXPECT_EQ(CrashOffer::since(std::numeric_limits<double>::infinity(), at(100), at(900)),
              at(100));
    EXPECT_EQ(CrashOffer::since(std::nan(""), at(100), at(900)), at(100));

    QTemporaryDir dir;
    Settings settings(dir.filePath("TallyVane.ini"));
    settings.setDate(SettingKeys::firstLaunch, at(100));
    EXPECT_EQ(CrashOffer::since(settings, at(900)), at(100));
    CrashOffer::recordAnswer(settings, at(1'764'431'404.25));
    EXPECT_EQ(settings.real(SettingKeys::crashesAskedUntil), 1'764'431'404.25);
    EXPECT_EQ(CrashOffer::since(settings, at(900)), at(1'764'431'404.25));
}

TEST(CrashOffer, AReportIsReadWholeUnlessMissingOrOversized) {
    test::FixtureTree folder;
    folder.write("TallyVane-1.ips", std::string("Signal: 11\n\0bytes", 18));
    EXPECT_EQ(CrashOffer::read(folder.root() + "/TallyVane-1.ips"),
              QByteArray("Signal: 11\n\0bytes", 18));
    EXPECT_EQ(CrashOffer::read(folder.root() + "/missing.ips"), std::nullopt);
    EXPECT_EQ(CrashOffer::read(folder.root()), std::nullopt) << "a folder";
    folder.write("edge.ips", std::string(CrashOffer::largestReport, 'x'));
    EXPECT_EQ(CrashOffer::read(folder.root() + "/edge.ips")->size(), CrashOffer::largestReport);
    folder.write("big.ips", std::string(CrashOffer::largestReport + 1, 'x'));
    EXPECT_EQ(CrashOffer::read(folder.root() + "/big.ips"), std::nullopt);
}

}  // namespace
}  // namespace tv
