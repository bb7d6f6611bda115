#include "core/Health.h"

#include <gtest/gtest.h>

#include "core/Culprits.h"

namespace tv {
namespace {

ProcessUsage row(std::string name, std::uint64_t memory, double cpu, std::string id = "") {
    ProcessUsage r;
    if (id.empty()) {
        r.appPath = "/Applications/" + name + ".app";
        r.id = "app:" + *r.appPath;
    } else {
        r.id = id;
    }
    r.name = std::move(name);
    r.memory = memory;
    r.cpu = cpu;
    r.count = 1;
    return r;
}

const SelfIdentity self{std::string("/Applications/TallyVane.app"), 77};

TEST(Health, VerdictTakesTheFirstRowThatHolds) {
    struct Case {
        int pressure;
        ThermalState state;
        std::optional<Trouble> trouble;
        Health health;
        const char* title;
    };
    const Case cases[] = {
        {4, 3, Trouble::memory, Health::critical, "Memory is critical"},
        {2, 3, Trouble::heat, Health::critical, "Overheating"},
        {2, 2, Trouble::memory, Health::warning, "Memory is tight"},
        {1, 2, Trouble::heat, Health::warning, "Running hot"},
        {1, 1, std::nullopt, Health::ok, "All good"},
        {0, 0, std::nullopt, Health::ok, "All good"},  // unknown pressure is no trouble
        {1, 4, std::nullopt, Health::ok, "All good"},  // demo states above 3 are no trouble
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "p=" << c.pressure << " t=" << c.state);
        Verdict v = verdictFor(c.pressure, c.state);
        EXPECT_EQ(v.trouble, c.trouble);
        EXPECT_EQ(v.health, c.health);
        EXPECT_EQ(v.title, c.title);
    }
    EXPECT_TRUE(hasAlert(2, 0));
    EXPECT_TRUE(hasAlert(1, 3));
    EXPECT_FALSE(hasAlert(1, 1));
    EXPECT_FALSE(hasAlert(1, 4));
}

TEST(Health, MemoryCulpritIsTheFirstOfTheLargest) {
    std::vector<ProcessUsage> rows{row("A", 5, 0), row("B", 9, 0), row("C", 9, 0)};
    EXPECT_EQ(usingMostMemory(rows)->name, "B");
    EXPECT_FALSE(usingMostMemory({}).has_value());
    // No row is excluded for memory, not even TallyVane itself.
    std::vector<ProcessUsage> own{row("TallyVane", 9, 0)};
    EXPECT_EQ(culpritFor(Trouble::memory, own, self)->name, "TallyVane");
}

TEST(Health, HeatCulpritNeedsHalfACoreAndIsNeverTallyVane) {
    EXPECT_FALSE(workingHardest({row("TallyVane", 0, 300)}, self).has_value());
    EXPECT_FALSE(workingHardest({row("me", 0, 300, "pid:77")}, self).has_value());
    EXPECT_FALSE(workingHardest({row("Build", 0, 49.9)}, self).has_value());
    EXPECT_EQ(workingHardest({row("Build", 0, 50.0)}, self)->name, "Build");
    std::vector<ProcessUsage> rows{row("TallyVane", 0, 500), row("X", 0, 80), row("Y", 0, 80)};
    EXPECT_EQ(workingHardest(rows, self)->name, "X");
    EXPECT_FALSE(workingHardest({}, self).has_value());
    EXPECT_FALSE(culpritFor(std::nullopt, rows, self).has_value());
}

TEST(Health, DetailTexts) {
    const Vocabulary& mac = Vocabulary::forMac();
    ProcessUsage editor = row("Editor", 3'435'973'837, 0);
    ProcessUsage build = row("Build", 0, 143.6);
    EXPECT_EQ(healthDetail(Trouble::memory, 2, 0, editor, mac), "Editor uses the most: 3.2 GB");
    EXPECT_EQ(healthDetail(Trouble::memory, 2, 0, std::nullopt, mac), "Quit apps you don't need");
    EXPECT_EQ(healthDetail(Trouble::memory, 4, 0, std::nullopt, mac),
              "Quit apps you don't need before your Mac freezes");
    EXPECT_EQ(healthDetail(Trouble::heat, 1, 2, build, mac), "Build is working hardest: 144% CPU");
    EXPECT_EQ(healthDetail(Trouble::heat, 1, 3, std::nullopt, mac),
              "macOS is slowing your Mac down a lot to cool it");
    EXPECT_EQ(healthDetail(Trouble::heat, 1, 2, std::nullopt, mac),
              "macOS is starting to slow down to cool off");
    EXPECT_FALSE(healthDetail(std::nullopt, 1, 1, editor, mac).has_value());

    const Vocabulary& linux_ = Vocabulary::forLinux();
    EXPECT_EQ(healthDetail(Trouble::memory, 4, 0, std::nullopt, linux_),
              "Quit apps you don't need before your computer freezes");
    EXPECT_EQ(healthDetail(Trouble::heat, 1, 3, std::nullopt, linux_),
              "Linux is slowing your computer down a lot to cool it");
}

TEST(Health, HeatWithOnlyAHalfBusyAppFallsBackToTheNoCulpritText) {
    std::vector<ProcessUsage> rows{row("Lazy", 0, 49.9)};
    auto culprit = culpritFor(Trouble::heat, rows, self);
    EXPECT_FALSE(culprit.has_value());
    EXPECT_EQ(healthDetail(Trouble::heat, 1, 2, culprit, Vocabulary::forMac()),
              "macOS is starting to slow down to cool off");
}

}  // namespace
}  // namespace tv
