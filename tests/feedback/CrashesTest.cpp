#include "feedback/Crashes.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include "support/FixtureTree.h"

namespace tv {
namespace {

using Entry = Crashes::Entry;

Date dateAt(double seconds) {
    return dateFromSeconds(seconds);
}

TEST(Crashes, OnlyThisProgramsReportsAreOfferedTheNewestFirstListedOnATie) {
    std::vector<Entry> entries{{"TallyVane-2026-11-29-155004.ips", dateAt(500)},
                               {"TallyVane-2026-11-29-154521.ips", dateAt(400)},
                               {"TallyVane-2026-11-28-101010.ips", dateAt(300)},
                               {"TallyVane.cpu_resource-2026-11-29-160000.ips", dateAt(900)},
                               {"Safari-2026-11-29-160000.ips", dateAt(900)},
                               {"TallyVane_2026-11-29-160000_Mac.hang", dateAt(900)},
                               {"TallyVane-2026-11-29-160000.ips.part", dateAt(900)}};
    EXPECT_EQ(Crashes::newest(entries, dateAt(0)), entries[0]);
    entries[2].date = dateAt(600);
    EXPECT_EQ(Crashes::newest(entries, dateAt(0)), entries[2]);
    // Strictly later than the answered one; a report of exactly that time is not offered.
    EXPECT_EQ(Crashes::newest(entries, dateAt(600)), std::nullopt);
    EXPECT_EQ(Crashes::newest(entries, dateAt(450)), entries[2]);
    // Before the first launch (the bound when never asked): never.
    EXPECT_EQ(Crashes::newest(entries, dateAt(1000)), std::nullopt);

    std::vector<Entry> cases{{"tALLYvANE-1.ips", dateAt(10)},
                             {"TallyVane-2.IPS", dateAt(20)},
                             {"TALLYVANE-3.ips", dateAt(10)},
                             {"TallyVane.ips", dateAt(30)}};
    EXPECT_EQ(Crashes::newest(cases, dateAt(0)), cases[0]) << "any case of the name; .ips as is";
}

TEST(Crashes, NewestInAFolderByModificationTime) {
    test::FixtureTree folder;
    auto written = [&](const std::string& name, long seconds) {
        folder.write(name, "report");
        timeval times[2] = {{seconds, 0}, {seconds, 0}};
        ::utimes((folder.root() + "/" + name).c_str(), times);
    };
    written("TallyVane-2026-11-29-155004.ips", 1'700'000'500);
    written("TallyVane-2026-11-29-154521.ips", 1'700'000'900);
    written("Other-2026-11-29-160000.ips", 1'700'001'000);
    auto found = Crashes::newest(dateAt(1'700'000'000), folder.root());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, folder.root() + "/TallyVane-2026-11-29-154521.ips");
    EXPECT_EQ(found->date, dateAt(1'700'000'900));
    EXPECT_EQ(Crashes::newest(dateAt(1'700'000'900), folder.root()), std::nullopt);
    EXPECT_EQ(Crashes::newest(dateAt(0), folder.root() + "/missing"), std::nullopt);
}

}  // namespace
}  // namespace tv
