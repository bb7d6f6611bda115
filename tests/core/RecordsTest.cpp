#include <gtest/gtest.h>

#include <cmath>

#include "core/FrontApp.h"
#include "core/History.h"
#include "core/ProcessUsage.h"
#include "core/Snapshot.h"

namespace tv {
namespace {

TEST(History, ClampsAndKeepsTheNewestUpToCapacity) {
    History h(62);
    h.push(-0.5);
    h.push(1.5);
    h.push(0.5);
    h.push(std::nan(""));
    EXPECT_EQ(h.values(), (std::vector<double>{0, 1, 0.5, 0}));

    History full(62);
    for (int i = 0; i < 100; ++i) {
        full.push(i / 100.0);
    }
    ASSERT_EQ(full.values().size(), 62u);
    EXPECT_DOUBLE_EQ(full.values().front(), 0.38);
    EXPECT_DOUBLE_EQ(full.values().back(), 0.99);
    EXPECT_EQ(full.capacity(), 62);

    History none(0);
    none.push(0.5);
    EXPECT_TRUE(none.values().empty());
}

TEST(ProcessUsage, IsSelfByAppPathOrByOwnPid) {
    SelfIdentity self{std::string("/Applications/TallyVane.app"), 4242};
    auto row = [](std::string id, std::optional<std::string> path = std::nullopt) {
        ProcessUsage r;
        r.id = std::move(id);
        r.appPath = std::move(path);
        return r;
    };
    EXPECT_TRUE(row("pid:4242").isSelf(self));
    EXPECT_FALSE(row("pid:4243").isSelf(self));
    EXPECT_FALSE(row("pid:42420").isSelf(self));  // exact comparison, not a prefix
    EXPECT_TRUE(row("app:whatever", "/Applications/TallyVane.app").isSelf(self));
    ProcessUsage otherPath = row("app:/Applications/X.app", "/Applications/X.app");
    EXPECT_FALSE(otherPath.isSelf(self));
    // Without an application path of its own, TallyVane is found by pid alone.
    EXPECT_FALSE(otherPath.isSelf(SelfIdentity{std::nullopt, 1}));
}

TEST(Snapshot, AnAbsentListDiffersFromAnEmptyOne) {
    Snapshot notRead;
    Snapshot readEmpty;
    readEmpty.processes.emplace();
    EXPECT_FALSE(notRead == readEmpty);
    EXPECT_EQ(notRead.load.size(), 3u);
}

TEST(FrontApp, FirstCandidateThatIsNotTallyVaneDecides) {
    using C = FrontAppCandidate;
    EXPECT_EQ(chooseFrontApp({C{false, "/Applications/Editor.app"}}), "/Applications/Editor.app");
    EXPECT_EQ(chooseFrontApp({C{true, "/Applications/TallyVane.app"}, C{false, "/A.app"}}),
              "/A.app");
    // A helper nested inside another application counts as the outer one.
    EXPECT_EQ(chooseFrontApp({C{false, "/Applications/A.app/Contents/Helpers/B.app"}}),
              "/Applications/A.app");
    // No location: no change, even if a later candidate has one.
    EXPECT_EQ(chooseFrontApp({C{false, std::nullopt}, C{false, "/B.app"}}), std::nullopt);
    EXPECT_EQ(chooseFrontApp({}), std::nullopt);
    EXPECT_EQ(chooseFrontApp({C{true, "/T.app"}}), std::nullopt);
    // Linux desktop entries pass through unchanged.
    EXPECT_EQ(chooseFrontApp({C{false, "/usr/share/applications/org.gnome.gedit.desktop"}}),
              "/usr/share/applications/org.gnome.gedit.desktop");
}

TEST(ProcessUsage, SandboxedAppsAreFoundByTheirApplicationId) {
    std::string flatpak = "/var/lib/flatpak/exports/share/applications/org.example.Player.desktop";
    ProcessUsage player{"app:" + flatpak, "Player", flatpak, 0, 0, 2, {10, 11}};
    ProcessUsage other{"app:/usr/share/applications/org.example.Player.Tool.desktop",
                       "Tool",
                       std::string("/usr/share/applications/org.example.Player.Tool.desktop"),
                       0,
                       0,
                       1,
                       {12}};
    ProcessUsage tool{"pid:20", "org.example.Player", std::nullopt, 0, 0, 1, {20}};
    EXPECT_EQ(pidsOfApps({"org.example.Player"}, {player, other, tool}),
              (std::set<std::int32_t>{10, 11}));
    EXPECT_TRUE(pidsOfApps({}, {player}).empty());
}

}  // namespace
}  // namespace tv
