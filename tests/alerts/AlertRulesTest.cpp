#include "core/AlertRules.h"

#include <gtest/gtest.h>

#include "support/Rows.h"

namespace tv {
namespace {

using test::app;
using Switches = AlertRules::Switches;

const SelfIdentity self{std::string("/TallyVane.app"), 77};
const ProcessUsage Editor = app("Editor", 4, 20, {1});
const ProcessUsage Small = app("Small", 0.5, 5, {2});

// Post titles and withdrawn ids, in order: enough to tell every outcome apart.
std::vector<std::string> outcome(const std::vector<AlertChange>& changes) {
    std::vector<std::string> seen;
    for (const AlertChange& c : changes) {
        seen.push_back(c.kind == AlertChange::Kind::post ? "post " + c.message.title
                                                         : "withdraw " + c.id);
    }
    return seen;
}

struct RuleStep {
    double t;
    int pressure;
    ThermalState thermal;
    std::vector<std::string> expected;
    Switches switches = {};
    std::vector<ProcessUsage> rows = {Editor, Small};
    bool fresh = true;
};

void play(AlertRules& rules, const std::vector<RuleStep>& steps) {
    for (const RuleStep& s : steps) {
        auto changes = rules.update(s.pressure, s.thermal, s.rows, s.fresh, s.switches,
                                    momentFromSeconds(s.t));
        EXPECT_EQ(outcome(changes), s.expected) << "at t " << s.t;
    }
}

TEST(AlertRules, MemoryAlertsRiseRepeatHourlyAndStayQuietAfterEnding) {
    AlertRules rules(self, Vocabulary::forMac());
    Switches memoryOff;
    memoryOff.memory = false;
    play(rules, {
                    {0, 2, 0, {}},
                    {60, 1, 0, {}},  // breaks the stretch
                    {70, 2, 0, {}},
                    {189, 2, 0, {}},
                    {190, 2, 0, {"post Memory is tight"}},
                    {200, 2, 0, {}},
                    {210, 4, 0, {"post Memory is critical"}},
                    {220, 2, 0, {}},  // easing is not announced
                    {230, 1, 0, {"withdraw memory"}},
                    {240, 4, 0, {}},  // ten seconds after it passed
                    {250, 1, 0, {}},
                    {560, 4, 0, {"post Memory is critical"}},
                    {600, 4, 0, {}},
                    {4200, 4, 0, {"post Memory is critical"}},
                    {4210, 4, 0, {"withdraw memory"}, memoryOff},
                });
}

TEST(AlertRules, ACriticalAlertThatPassedKeepsTheTightOneQuiet) {
    AlertRules rules(self, Vocabulary::forMac());
    play(rules, {
                    {0, 4, 0, {"post Memory is critical"}},
                    {10, 2, 0, {"withdraw memory"}},
                    {120, 2, 0, {}},
                    {309, 2, 0, {}},
                    {310, 2, 0, {"post Memory is tight"}},  // five minutes after it ended
                });
}

TEST(AlertRules, HeatAlerts) {
    AlertRules rules(self, Vocabulary::forMac());
    play(rules, {
                    {0, 1, 2, {"post Your Mac is running hot"}},
                    {10, 1, 3, {"post Your Mac is overheating"}},
                    {20, 1, 0, {"withdraw heat"}},
                    {30, 1, 1, {}},
                });
}

TEST(AlertRules, MemoryThenHeatThenStuckInOneSample) {
    AlertRules rules(self, Vocabulary::forMac());
    ProcessUsage hot = app("Hot", 1, 95, {3});
    std::vector<ProcessUsage> rows{Editor, hot};
    play(rules, {
                    {0, 1, 0, {}, {}, rows},
                    {600,
                     4,
                     3,
                     {"post Memory is critical", "post Your Mac is overheating",
                      "post Hot is stuck at full speed"},
                     {},
                     rows},
                    {601,
                     1,
                     0,
                     {"withdraw memory", "withdraw heat", "withdraw stuck:app:/Hot.app"},
                     {},
                     {Editor}},
                });
}

TEST(AlertRules, StuckAppsAreCountedOnlyOnFreshLists) {
    ProcessUsage b90 = app("B", 1, 90, {5});
    ProcessUsage b75 = app("B", 1, 75, {5});
    ProcessUsage b60 = app("B", 1, 60, {5});
    AlertRules rules(self, Vocabulary::forMac());
    play(rules, {
                    {0, 1, 0, {}, {}, {b90}},
                    {300, 1, 0, {}, {}, {b75}},         // between 70 and 90: keeps its count
                    {400, 1, 0, {}, {}, {b60}, false},  // not fresh: nothing moves
                    {599, 1, 0, {}, {}, {b90}},
                    {600, 1, 0, {"post B is stuck at full speed"}, {}, {b90}},
                    {660, 1, 0, {}, {}, {b90}},
                    {700, 1, 0, {"withdraw stuck:app:/B.app"}, {}, {}},
                });

    AlertRules dropped(self, Vocabulary::forMac());
    play(dropped, {
                      {0, 1, 0, {}, {}, {b90}},
                      {300, 1, 0, {}, {}, {b60}},  // below 70 in a fresh list: count lost
                      {301, 1, 0, {}, {}, {b90}},
                      {600, 1, 0, {}, {}, {b90}},
                      {901, 1, 0, {"post B is stuck at full speed"}, {}, {b90}},
                  });

    AlertRules never(self, Vocabulary::forMac());
    play(never, {{0, 1, 0, {}, {}, {b75}}, {1000, 1, 0, {}, {}, {b75}}});
}

TEST(AlertRules, TheStuckSwitchOffWithdrawsAndPostsNothing) {
    ProcessUsage b = app("B", 1, 99, {5});
    Switches off;
    off.stuck = false;
    AlertRules rules(self, Vocabulary::forMac());
    play(rules, {
                    {0, 1, 0, {}, {}, {b}},
                    {600, 1, 0, {"post B is stuck at full speed"}, {}, {b}},
                    {601, 1, 0, {"withdraw stuck:app:/B.app"}, off, {b}},
                    {5000, 1, 0, {}, off, {b}},
                });
}

TEST(AlertRules, NothingWrongAndNothingShowingGivesNothing) {
    AlertRules rules(self, Vocabulary::forMac());
    EXPECT_TRUE(rules.update(1, 0, {}, true, {}, momentFromSeconds(0)).empty());
    EXPECT_TRUE(rules.update(0, 1, {}, false, {}, momentFromSeconds(1)).empty());
}

TEST(AlertMessages, MemoryWording) {
    const Vocabulary& mac = Vocabulary::forMac();
    AlertMessage critical = AlertRules::memoryMessage(true, app("A", 4, 0, {1}), mac);
    EXPECT_EQ(critical.id, "memory");
    EXPECT_EQ(critical.title, "Memory is critical");
    EXPECT_EQ(critical.body, "A is using 4.0 GB. Quit it before your Mac freezes.");
    EXPECT_EQ(critical.appPath, "/A.app");
    EXPECT_TRUE(critical.sound);
    EXPECT_EQ(AlertRules::memoryMessage(false, app("A", 4, 0, {1}), mac).body,
              "A is using the most: 4.0 GB. Quitting it frees memory.");
    AlertMessage tight = AlertRules::memoryMessage(false, std::nullopt, mac);
    EXPECT_EQ(tight.body, "Quit apps you don't need to keep your Mac quick.");
    EXPECT_FALSE(tight.appPath.has_value());
    EXPECT_EQ(AlertRules::memoryMessage(true, std::nullopt, mac).body,
              "Quit apps you don't need before your Mac freezes.");
    EXPECT_EQ(AlertRules::memoryMessage(true, std::nullopt, Vocabulary::forLinux()).body,
              "Quit apps you don't need before your computer freezes.");
}

TEST(AlertMessages, HeatWording) {
    const Vocabulary& mac = Vocabulary::forMac();
    AlertMessage hot = AlertRules::heatMessage(false, app("B", 1, 240, {1}), mac);
    EXPECT_EQ(hot.title, "Your Mac is running hot");
    EXPECT_EQ(
        hot.body,
        "macOS is starting to slow your Mac down to cool it. B is working hardest: 240% CPU.");
    EXPECT_EQ(hot.appPath, "/B.app");
    AlertMessage over = AlertRules::heatMessage(true, std::nullopt, mac);
    EXPECT_EQ(over.title, "Your Mac is overheating");
    EXPECT_EQ(over.body, "macOS is slowing your Mac down a lot to cool it.");
    AlertMessage linux_ = AlertRules::heatMessage(true, std::nullopt, Vocabulary::forLinux());
    EXPECT_EQ(linux_.title, "Your computer is overheating");
    EXPECT_EQ(linux_.body, "Linux is slowing your computer down a lot to cool it.");
}

TEST(AlertMessages, HeatNamesOnlyAnAppWorkingAtLeastHalfACoreAndNeverTallyVane) {
    AlertRules rules(self, Vocabulary::forMac());
    ProcessUsage lazy = app("Lazy", 1, 10, {1});
    ProcessUsage me = app("TallyVane", 1, 400, {77});
    auto changes = rules.update(1, 2, {lazy, me}, true, {}, momentFromSeconds(0));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].message.body, "macOS is starting to slow your Mac down to cool it.");
    EXPECT_FALSE(changes[0].message.appPath.has_value());
}

TEST(AlertMessages, StuckWording) {
    AlertMessage m = AlertRules::stuckMessage(app("Xcode", 2, 100, {1}));
    EXPECT_EQ(m.id, "stuck:app:/Xcode.app");
    EXPECT_EQ(m.title, "Xcode is stuck at full speed");
    EXPECT_EQ(m.body, "Over 90% CPU for 10 minutes. Quit it if you aren't using it.");
    EXPECT_EQ(m.appPath, "/Xcode.app");
    EXPECT_TRUE(m.sound);
}

}  // namespace
}  // namespace tv
