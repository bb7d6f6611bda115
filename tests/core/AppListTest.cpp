#include "core/AppList.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

ProcessUsage app(const std::string& id, double cpu, std::uint64_t memory, int count = 1) {
    ProcessUsage p;
    p.id = id;
    p.name = id;
    p.cpu = cpu;
    p.memory = memory;
    p.count = count;
    return p;
}

TEST(AppListTest, TopFiveByTheChosenOrderOrTheHeldOrder) {
    std::vector<ProcessUsage> all;
    for (int i = 0; i < 7; ++i) {
        all.push_back(app("p" + std::to_string(i), i, 100 - i));
    }
    EXPECT_EQ(AppList::ids(AppList::rows(all, true, std::nullopt)),
              (std::vector<std::string>{"p6", "p5", "p4", "p3", "p2"}));
    EXPECT_EQ(AppList::ids(AppList::rows(all, false, std::nullopt)),
              (std::vector<std::string>{"p0", "p1", "p2", "p3", "p4"}));
    std::vector<std::string> held{"p1", "gone", "p6"};
    EXPECT_EQ(AppList::ids(AppList::rows(all, true, held)), (std::vector<std::string>{"p1", "p6"}));
    EXPECT_TRUE(AppList::rows({}, true, std::nullopt).empty());
}

TEST(AppListTest, FormerPlacesFollowTheIdsAndLeaveNewcomersWithout) {
    using Places = std::vector<std::optional<std::size_t>>;
    EXPECT_EQ(AppList::formerPlaces({"a", "b", "c"}, {"c", "a", "d"}),
              (Places{2, 0, std::nullopt}));
    EXPECT_EQ(AppList::formerPlaces({}, {"a", "b"}), (Places{std::nullopt, std::nullopt}));
    EXPECT_EQ(AppList::formerPlaces({"a", "b"}, {}), Places{});
}

TEST(AppListTest, SharesOfTheLargestWithoutDividingByZero) {
    std::vector<ProcessUsage> idle{app("a", 0, 5), app("b", 0, 0)};
    EXPECT_EQ(AppList::shares(idle, true), (std::vector<double>{0, 0}));
    EXPECT_EQ(AppList::shares({app("a", 200, 0), app("b", 50, 0)}, true),
              (std::vector<double>{1, 0.25}));
    EXPECT_TRUE(AppList::hasEdgeLine(0.25));
    EXPECT_FALSE(AppList::hasEdgeLine(0.2));
}

TEST(AppListTest, NotesTooltipsAndValues) {
    SelfIdentity self{std::nullopt, 77};
    ProcessUsage own = app("pid:77", 12, 1 << 20);
    own.pids = {77};
    EXPECT_EQ(AppList::note(own, true, self), "while open");
    EXPECT_EQ(AppList::note(own, false, self), "");
    EXPECT_EQ(AppList::note(app("a", 0, 0, 12), false, self), "12 processes");
    EXPECT_EQ(AppList::note(app("a", 0, 0, 1), true, self), "");

    const std::string start = "Most of this is drawing this window. Closed, TallyVane uses ";
    EXPECT_EQ(AppList::ownRowTooltip(own, true, self, std::nullopt), start + "far less CPU.");
    EXPECT_EQ(AppList::ownRowTooltip(own, true, self, 0.4), start + "under 1% CPU.");
    EXPECT_EQ(AppList::ownRowTooltip(own, true, self, 2.6), start + "3% CPU.");
    EXPECT_FALSE(AppList::ownRowTooltip(own, false, self, 0.4));
    EXPECT_FALSE(AppList::ownRowTooltip(app("a", 1, 1), true, self, 0.4));

    EXPECT_EQ(AppList::value(app("a", 240.5, 0), true), "241%");
    EXPECT_EQ(AppList::value(app("a", 0, 3ULL << 30), false), "3.0 GB");
}

TEST(AppListTest, HeldTagsTooltipsAndResumeAll) {
    Held paused{app("Mail", 0, 0), Hold::paused};
    paused.app.name = "Mail";
    Held slowed{app("Zip", 0, 0), Hold::slowed};
    EXPECT_EQ(HeldTexts::tag(paused.hold), "Paused");
    EXPECT_EQ(HeldTexts::tag(slowed.hold), "Slowed");
    EXPECT_EQ(HeldTexts::resumeTooltip(paused), "Let Mail carry on now");
    EXPECT_EQ(HeldTexts::resumeTooltip(slowed), "Give Zip full speed again");
    EXPECT_EQ(HeldTexts::tagTooltip(slowed), "");
    EXPECT_EQ(HeldTexts::tagTooltip(paused), "");
    // Only its disk use could be lowered: the tooltips say that and nothing more.
    Held diskOnly{app("Zip", 0, 0), Hold::slowed, true};
    EXPECT_EQ(HeldTexts::tagTooltip(diskOnly), "Only the disk use of Zip is lowered");
    EXPECT_EQ(HeldTexts::resumeTooltip(diskOnly), "Give Zip its disk speed back");
    EXPECT_FALSE(HeldTexts::offersResumeAll(1));
    EXPECT_TRUE(HeldTexts::offersResumeAll(2));
}

}  // namespace
}  // namespace tv
