#include "core/MakeWay.h"

#include <gtest/gtest.h>

#include "support/Rows.h"

namespace tv {
namespace {

using test::app;

const ProcessUsage Front = app("Front", 6, 300, {1});
const ProcessUsage Build = app("Build", 8, 400, {2, 3});
const ProcessUsage Docker = app("Docker", 4, 5, {4});
const ProcessUsage Notes = app("Notes", 0.2, 1, {5});
const ProcessUsage Finder = app("Finder", 1, 90, {6}, /*system=*/true);
const ProcessUsage Typed = app("Typed", 9, 400, {7}, false, /*typed=*/true);
const std::vector<ProcessUsage> everyone{Front, Build, Docker, Notes, Finder};

Change hold(const ProcessUsage& row, Hold how) {
    return Change::holding(row, how);
}
Change release(const ProcessUsage& row) {
    return Change::release(row.id);
}

// One sample of a scenario and the exact changes it must give.
struct Step {
    double t;
    int pressure;
    ThermalState thermal = 0;
    std::vector<Change> expected;
    std::vector<ProcessUsage> rows = everyone;
    std::optional<std::string> front = std::string("/Front.app");
    std::set<std::int32_t> audible = {};
};

void play(MakeWay& rules, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        auto changes = rules.update(step.pressure, step.thermal, step.rows, step.front,
                                    step.audible, momentFromSeconds(step.t));
        EXPECT_EQ(changes, step.expected) << "at t " << step.t;
    }
}

TEST(MakeWay, AWholeStretchOfTroubleFromSlowingToRelease) {
    MakeWay rules;
    play(rules, {
                    {0, 1, 0, {}},
                    {1, 1, 2, {}},  // busy only 1 s
                    {11, 1, 2, {hold(Build, Hold::slowed)}},
                    {12, 2, 0, {}},  // never slowed twice
                    {13, 4, 0, {hold(Build, Hold::paused)}},
                    {20, 4, 0, {}},  // 7 s since the last pause
                    {28, 4, 0, {hold(Docker, Hold::paused)}},
                    {50, 4, 0, {}},  // Notes too small, Front in front, Finder the system's
                    {60, 1, 0, {}},
                    {119, 1, 0, {}},
                    {120, 1, 0, {release(Build)}},
                    {125, 1, 0, {}},
                    {135, 1, 0, {release(Docker)}},
                });
    EXPECT_TRUE(rules.held().empty());
}

TEST(MakeWay, AnAppBroughtToTheFrontIsLetGoAndStaysExcused) {
    MakeWay rules;
    play(rules, {
                    {0, 4, 0, {hold(Build, Hold::paused)}},
                    {1, 4, 0, {release(Build)}, everyone, std::string("/Build.app")},
                    {20, 4, 0, {hold(Docker, Hold::paused)}},
                });
    EXPECT_EQ(rules.excused(), (std::set<std::string>{"app:/Build.app"}));
}

TEST(MakeWay, AnAppThatQuitIsReleasedWithoutAnExcuse) {
    MakeWay rules;
    play(rules, {
                    {0, 4, 0, {hold(Build, Hold::paused)}},
                    {1, 4, 0, {release(Build)}, {Front, Docker, Notes, Finder}},
                });
    EXPECT_TRUE(rules.excused().empty());
}

TEST(MakeWay, AppsMakingSoundAreNeverHeld) {
    MakeWay paused;
    play(paused,
         {{0, 4, 0, {hold(Docker, Hold::paused)}, everyone, std::string("/Front.app"), {3}}});

    MakeWay slowed;
    play(slowed, {
                     {0, 2, 0, {}},
                     {10, 2, 0, {hold(Build, Hold::slowed)}},
                     {11, 2, 0, {release(Build)}, everyone, std::string("/Front.app"), {2}},
                 });
}

TEST(MakeWay, ATypedCommandIsSlowedButNeverPaused) {
    std::vector<ProcessUsage> rows{Front, Build, Typed, Notes, Finder};
    MakeWay rules;
    play(rules, {
                    {0, 4, 0, {hold(Build, Hold::paused)}, rows},
                    {10, 4, 0, {hold(Typed, Hold::slowed)}, rows},
                    {30, 4, 0, {}, rows},
                });
}

TEST(MakeWay, ResumedAppsStayExcusedUntilCalm) {
    MakeWay rules;
    play(rules, {{0, 4, 0, {hold(Build, Hold::paused)}}});
    EXPECT_EQ(rules.resume("app:/Build.app"), (std::vector<Change>{release(Build)}));
    play(rules, {
                    {20, 4, 0, {hold(Docker, Hold::paused)}},
                    {30, 1, 0, {}},  // one calm sample clears the excuse
                    {40, 4, 0, {hold(Build, Hold::paused)}},
                });
    EXPECT_TRUE(rules.resume("app:/Notes.app").empty());
    EXPECT_EQ(rules.excused().count("app:/Notes.app"), 0u);
}

TEST(MakeWay, ResumeAllLetsEverythingGoInIdOrder) {
    MakeWay rules;
    play(rules, {
                    {0, 4, 0, {hold(Build, Hold::paused)}},
                    {15, 4, 0, {hold(Docker, Hold::paused)}},
                });
    EXPECT_EQ(rules.resumeAll(), (std::vector<Change>{release(Build), release(Docker)}));
    EXPECT_TRUE(rules.held().empty());
    EXPECT_EQ(rules.excused().size(), 2u);
    EXPECT_TRUE(rules.resumeAll().empty());
}

TEST(MakeWay, TheBusyCountRestartsAfterABreak) {
    std::vector<ProcessUsage> withoutBuild{Front, Docker, Notes, Finder};
    MakeWay rules;
    play(rules, {
                    {0, 2, 0, {}},
                    {5, 2, 0, {}, withoutBuild},
                    {6, 2, 0, {}},
                    {15, 2, 0, {}},
                    {16, 2, 0, {hold(Build, Hold::slowed)}},
                    {17, 2, 0, {release(Build)}, everyone, std::string("/Build.app")},
                    {40, 2, 0, {}},
                    {60, 2, 0, {}},
                });
}

// Two background loops and a front app on two cores: each loop gets under half a core yet
// asks for a whole one. Busy is judged by what an app asks for; what it got stays shown.
TEST(MakeWay, BusyIsWhatAnAppAsksForNotWhatItGets) {
    ProcessUsage loopA = app("LoopA", 0.1, 45, {20});
    loopA.demand = 98;
    ProcessUsage loopB = app("LoopB", 0.1, 40, {21});
    loopB.demand = 96;
    ProcessUsage content = app("Content", 0.1, 45, {22});
    content.demand = 47;  // waits a little, but asks for less than half a core
    ProcessUsage unmeasured = app("Unmeasured", 0.1, 55, {23});  // demand not known: what it got
    std::vector<ProcessUsage> rows{Front, loopA, loopB, content, unmeasured};
    MakeWay rules;
    play(
        rules,
        {
            {0, 2, 0, {}, rows},
            {9.9, 2, 0, {}, rows},
            {10,
             2,
             0,
             {hold(loopA, Hold::slowed), hold(loopB, Hold::slowed), hold(unmeasured, Hold::slowed)},
             rows},
        });
    EXPECT_EQ(rules.held().at("app:/LoopA.app").app.cpu, 45);
}

TEST(MakeWay, PausesStopAtThreeAndNeverNeedMoreThanFifteenSecondsApart) {
    std::vector<ProcessUsage> rows{Front, app("A", 5, 0, {10}), app("B", 4, 0, {11}),
                                   app("C", 3, 0, {12}), app("D", 2, 0, {13})};
    MakeWay rules;
    play(rules, {
                    {0, 4, 0, {hold(rows[1], Hold::paused)}, rows},
                    {14.9, 4, 0, {}, rows},
                    {15, 4, 0, {hold(rows[2], Hold::paused)}, rows},
                    {30, 4, 0, {hold(rows[3], Hold::paused)}, rows},
                    {45, 4, 0, {}, rows},  // three already paused
                });
}

TEST(MakeWay, AnAppInFrontByItsRowIdIsNotHeld) {
    ProcessUsage tool = app("Tool", 8, 400, {9});
    tool.appPath.reset();
    tool.id = "pid:9";
    MakeWay rules;
    play(rules, {{0, 4, 0, {}, {tool}, std::string("pid:9")}});
}

TEST(MakeWay, NewHelpersReachTheHeldEntry) {
    MakeWay rules;
    play(rules, {{0, 4, 0, {hold(Build, Hold::paused)}}});
    ProcessUsage grown = Build;
    grown.pids.push_back(99);
    grown.count = 3;
    play(rules, {{1, 4, 0, {}, {Front, grown, Docker}}});
    EXPECT_EQ(rules.held().at(Build.id).app.pids, (std::vector<std::int32_t>{2, 3, 99}));
}

// A locked screen, the bare desktop, every window minimised: nobody says where the user works.
TEST(MakeWay, WithTheFrontAppUnknownHeldAppsAreKeptFreshAndLetGoButNothingNewIsHeld) {
    const std::optional<std::string> unknown;
    ProcessUsage grown = Build;
    grown.pids.push_back(99);
    grown.count = 3;
    const std::vector<ProcessUsage> later{Front, grown, Docker, Notes, Finder};
    MakeWay rules;
    play(rules, {
                    {0, 4, 0, {hold(Build, Hold::paused)}},
                    {1, 4, 0, {}, later, unknown},
                    {20, 4, 0, {}, later, unknown},  // Docker would be paused were Front known
                    {21, 2, 0, {}, later, unknown},
                    {31, 2, 0, {}, later, unknown},  // busy Front may be the user's: not slowed
                });
    ASSERT_EQ(rules.held().size(), 1u);
    EXPECT_EQ(rules.held().at(Build.id).app.pids, (std::vector<std::int32_t>{2, 3, 99}));
    EXPECT_EQ(rules.held().at(Build.id).hold, Hold::paused);
    play(rules, {
                    {40, 1, 0, {}, later, unknown},
                    {99, 1, 0, {}, later, unknown},
                    {100, 1, 0, {release(Build)}, later, unknown},  // after the calm minute
                    // With the front app known the busy count starts; a gap starts it again.
                    {101, 2, 0, {}},
                    {105, 2, 0, {}, everyone, unknown},
                    {106, 2, 0, {}},
                    {115, 2, 0, {}},
                    {116, 2, 0, {hold(Build, Hold::slowed)}},
                });

    MakeWay quit;
    play(quit, {
                   {0, 4, 0, {hold(Build, Hold::paused)}},
                   {1, 4, 0, {release(Build)}, {Front, Docker, Notes, Finder}, unknown},
               });
}
// The executor refuses what it may not do (no private journal folder, a stop with job-control
// side effects, processes someone else stopped): only what it did counts.
TEST(MakeWay, SettlingKeepsOnlyWhatTheExecutorDid) {
    auto at = [](double t) { return momentFromSeconds(t); };
    const std::map<std::string, Hold> nothing;
    MakeWay refused;
    auto changes = refused.update(4, 0, everyone, std::string("/Front.app"), {}, at(0));
    ASSERT_EQ(changes, (std::vector<Change>{hold(Build, Hold::paused)}));
    EXPECT_TRUE(refused.settle(changes, nothing).empty());
    EXPECT_TRUE(refused.held().empty());
    play(refused, {
                      {1, 4, 0, {hold(Docker, Hold::paused)}},  // the slot was not used up
                      {16, 4, 0, {}},                           // Build is not tried again
                  });

    MakeWay onlySlowed;
    changes = onlySlowed.update(4, 0, everyone, std::string("/Front.app"), {}, at(0));
    EXPECT_EQ(onlySlowed.settle(changes, {{Build.id, Hold::slowed}}),
              (std::vector<Change>{hold(Build, Hold::slowed)}));
    EXPECT_EQ(onlySlowed.held().at(Build.id).hold, Hold::slowed);
    EXPECT_EQ(onlySlowed.update(4, 0, everyone, std::string("/Front.app"), {}, at(1)),
              (std::vector<Change>{hold(Docker, Hold::paused)}));

    // A slowed app whose pause is refused stays slowed, with nothing new to say.
    MakeWay upgrade;
    play(upgrade, {{0, 2, 0, {}}, {10, 2, 0, {hold(Build, Hold::slowed)}}});
    changes = upgrade.update(4, 0, everyone, std::string("/Front.app"), {}, at(11));
    ASSERT_EQ(changes, (std::vector<Change>{hold(Build, Hold::paused)}));
    EXPECT_TRUE(upgrade.settle(changes, {{Build.id, Hold::slowed}}).empty());
    EXPECT_EQ(upgrade.held().at(Build.id).hold, Hold::slowed);

    // Held before, but no longer by the executor (someone else stopped all of it): let go.
    EXPECT_EQ(upgrade.settle({}, nothing), (std::vector<Change>{release(Build)}));
    EXPECT_TRUE(upgrade.held().empty());
    EXPECT_EQ(upgrade.excused().count(Build.id), 1u);
}

TEST(MakeWay, ShouldSayCoversAWholeStretchOfTrouble) {
    MakeWay rules;
    std::vector<Change> slowing{hold(Build, Hold::slowed)};
    EXPECT_TRUE(rules.shouldSay(slowing));
    EXPECT_FALSE(rules.shouldSay(slowing));
    EXPECT_TRUE(rules.shouldSay({hold(Docker, Hold::paused), hold(Build, Hold::slowed)}));
    EXPECT_FALSE(rules.shouldSay({release(Build)}));
    EXPECT_FALSE(rules.shouldSay({}));
    for (int t = 0; t < 60; ++t) {
        rules.update(1, 0, everyone, std::string("/Front.app"), {}, momentFromSeconds(t));
    }
    EXPECT_FALSE(rules.shouldSay(slowing));
    rules.update(1, 0, everyone, std::string("/Front.app"), {}, momentFromSeconds(60));
    EXPECT_TRUE(rules.shouldSay(slowing));
}

TEST(MakeWayMessages, Lists) {
    EXPECT_EQ(MakeWay::list({}), "");
    EXPECT_EQ(MakeWay::list({"A"}), "A");
    EXPECT_EQ(MakeWay::list({"A", "B"}), "A and B");
    EXPECT_EQ(MakeWay::list({"A", "B", "C"}), "A, B and 1 more");
    EXPECT_EQ(MakeWay::list({"A", "B", "C", "D"}), "A, B and 2 more");
}

TEST(MakeWayMessages, Announcements) {
    const Vocabulary& mac = Vocabulary::forMac();
    EXPECT_FALSE(MakeWay::message({}, mac).has_value());

    auto mixed = MakeWay::message({{Build, Hold::paused}, {Docker, Hold::slowed}}, mac);
    ASSERT_TRUE(mixed.has_value());
    EXPECT_EQ(mixed->id, "makeway");
    EXPECT_EQ(mixed->title, "Paused Build so memory can recover");
    EXPECT_EQ(mixed->body,
              "Your Mac ran out of memory. It still runs a moment every few seconds, so it stays "
              "connected, and gets full speed back when memory frees up. Docker is slowed too.");
    EXPECT_TRUE(mixed->sound);
    EXPECT_FALSE(mixed->appPath.has_value());

    auto slowed = MakeWay::message({{Build, Hold::slowed}, {Docker, Hold::slowed}}, mac);
    EXPECT_EQ(slowed->title, "Slowed Build and Docker to keep your Mac quick");
    EXPECT_EQ(slowed->body, "They keep working, just slower, until your Mac recovers.");
    EXPECT_FALSE(slowed->sound);

    auto many = MakeWay::message({{Build, Hold::paused},
                                  {Docker, Hold::paused},
                                  {Notes, Hold::slowed},
                                  {Front, Hold::slowed}},
                                 mac);
    EXPECT_EQ(many->body,
              "Your Mac ran out of memory. They still run a moment every few seconds, so they "
              "stay connected, and get full speed back when memory frees up. Notes and Front are "
              "slowed too.");

    auto one = MakeWay::message({{Build, Hold::slowed}}, Vocabulary::forLinux());
    EXPECT_EQ(one->title, "Slowed Build to keep your computer quick");
    EXPECT_EQ(one->body, "It keeps working, just slower, until your computer recovers.");
}

// Where no CPU band could act on an app only its disk use was lowered: it is never said to
// run slower.
TEST(MakeWayMessages, AnAppWhoseDiskUseAloneWasLoweredIsNotCalledSlowed) {
    const Vocabulary& words = Vocabulary::forLinux();
    Held diskBuild{Build, Hold::slowed, true};
    Held diskNotes{Notes, Hold::slowed, true};

    auto alone = MakeWay::message({diskBuild}, words);
    ASSERT_TRUE(alone.has_value());
    EXPECT_EQ(alone->title, "Lowered the disk use of Build to keep your computer quick");
    EXPECT_EQ(alone->body, "Its disk use gives way to yours until your computer recovers.");
    EXPECT_FALSE(alone->sound);
    auto two = MakeWay::message({diskBuild, diskNotes}, words);
    EXPECT_EQ(two->body, "Their disk use gives way to yours until your computer recovers.");

    auto withSlowed = MakeWay::message({{Docker, Hold::slowed}, diskBuild}, words);
    EXPECT_EQ(withSlowed->title, "Slowed Docker to keep your computer quick");
    EXPECT_EQ(withSlowed->body,
              "It keeps working, just slower, until your computer recovers. The disk use of "
              "Build is lowered too.");

    // A pause is a pause whatever the CPU band.
    auto withPause = MakeWay::message({{Docker, Hold::paused, true}, diskBuild}, words);
    EXPECT_EQ(withPause->title, "Paused Docker so memory can recover");
    EXPECT_EQ(withPause->body,
              "Your computer ran out of memory. It still runs a moment every few seconds, so it "
              "stays connected, and gets full speed back when memory frees up. The disk use of "
              "Build is lowered too.");
}

TEST(MakeWayMessages, HeldListShowsPausedFirstThenByName) {
    std::vector<ProcessUsage> rows{Front, app("Zed", 5, 400, {10}), app("Alpha", 1, 400, {11}),
                                   app("Mid", 0.1, 400, {12})};
    MakeWay rules;
    rules.update(2, 0, rows, std::string("/Front.app"), {}, momentFromSeconds(0));
    rules.update(4, 0, rows, std::string("/Front.app"), {}, momentFromSeconds(10));
    std::vector<std::string> names;
    for (const Held& h : rules.heldList()) {
        names.push_back(h.app.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Zed", "Alpha", "Mid"}));
    EXPECT_EQ(rules.heldList().front().hold, Hold::paused);
}

}  // namespace
}  // namespace tv
