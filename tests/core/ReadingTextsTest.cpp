#include "core/ReadingTexts.h"

#include <gtest/gtest.h>

#include "core/CardTexts.h"
#include "core/Panel.h"

namespace tv {
namespace {

TEST(ReadingTextsTest, FanSummaryAndThermalStateNames) {
    EXPECT_EQ(ReadingTexts::fanSummary({Fan{0.4, 0, 5000}}, 0), "Fan off");
    EXPECT_EQ(ReadingTexts::fanSummary({Fan{0, 0, 0}, Fan{0.9, 0, 0}}, 0), "Fans off");
    EXPECT_EQ(ReadingTexts::fanSummary({Fan{1800, 0, 0}, Fan{2400.4, 0, 0}}, 0), "Fans 2,400 rpm");
    EXPECT_EQ(ReadingTexts::fanSummary({Fan{1234567, 0, 0}}, 0), "Fan 1,234,567 rpm");
    EXPECT_EQ(ReadingTexts::fanSummary({}, 2), "Thermal state: Hot, slowing down");
    std::vector<std::string> names;
    for (ThermalState s : {0, 1, 2, 3, 4, -1}) {
        names.push_back(ReadingTexts::thermalStateName(s));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Normal", "Warm", "Hot, slowing down", "Too hot",
                                               "Unknown", "Unknown"}));
    EXPECT_EQ(ReadingTexts::thermalStateLabel(Vocabulary::forLinux()), "Linux thermal state");
    EXPECT_EQ(ReadingTexts::thermalStateLabel(Vocabulary::forMac()), "macOS thermal state");
}

TEST(ReadingTextsTest, RowHeadersWithTheirAlertsAndAccessibleNames) {
    MemorySample m{16ULL << 30, 8ULL << 30, 4ULL << 30, 1ULL << 30, 0, 0, 0, 2};
    ReadingLine memory = ReadingTexts::memory(m);
    EXPECT_EQ(memory.value, "81%");
    EXPECT_EQ(memory.subtitle, "13.0 GB of 16.0 GB");
    EXPECT_EQ(memory.accessibleName(), "Memory 81%, Tight");
    m.pressure = 4;
    EXPECT_EQ(ReadingTexts::memory(m).alert, (Alert{"Critical", Tint::red}));
    m.pressure = 1;
    EXPECT_FALSE(ReadingTexts::memory(m).alert);
    EXPECT_EQ(ReadingTexts::memory(MemorySample{}).value, "0%") << "no total, no division";

    ReadingLine cpu = ReadingTexts::cpu(CPUSample{{}, 0.15, 0.08, {}});
    EXPECT_EQ(cpu.accessibleName(), "CPU 23%");
    EXPECT_EQ(cpu.subtitle, "User 15% \u00B7 System 8%");
    EXPECT_EQ(ReadingTexts::gpu(0.5, std::nullopt, false).subtitle, "Temperature \u2013");
    EXPECT_EQ(ReadingTexts::gpu(0.5, std::nullopt, false).value, "50%");
    EXPECT_EQ(ReadingTexts::gpu(0.0, std::nullopt, false).value, "0%") << "an idle GPU";
    EXPECT_EQ(ReadingTexts::gpu(std::nullopt, std::nullopt, false).value, "\u2013")
        << "no GPU that can be read";

    ThermalSample t;
    EXPECT_EQ(ReadingTexts::heat(t, 2, false).accessibleName(), "Heat \u2013, Hot");
    EXPECT_EQ(ReadingTexts::heat(t, 3, false).alert, (Alert{"Too hot", Tint::red}));
    EXPECT_FALSE(ReadingTexts::heat(t, 1, false).alert);
}

TEST(ReadingTextsTest, HeatMetersEmptyForMissingReadingsAndFansBetweenTheirLimits) {
    ThermalSample t{
        70, 110, std::nullopt, std::nullopt, {Fan{0, 1000, 5000}, Fan{3000, 1000, 5000}}};
    std::vector<MeterLine> lines = ReadingTexts::heatMeters(t, false);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], (MeterLine{"CPU average", "70\u00B0", 0.5}));
    EXPECT_EQ(lines[1].fill, 1.0) << "clamped";
    EXPECT_EQ(lines[3], (MeterLine{"Battery", "\u2013", std::nullopt}));
    EXPECT_EQ(lines[4], (MeterLine{"Fan 1", "Off", std::nullopt}));
    EXPECT_EQ(lines[5], (MeterLine{"Fan 2", "3,000 rpm", 0.5}));
    t.fans = {Fan{2000, 3000, 3000}};
    lines = ReadingTexts::heatMeters(t, false);
    EXPECT_EQ(lines[4], (MeterLine{"Fan", "2,000 rpm", std::nullopt})) << "max not above min";
    EXPECT_EQ(ReadingTexts::loadTexts({1.234, 0.5, 10}),
              (std::vector<std::string>{"1.23", "0.50", "10.00"}));
}

TEST(ReadingTextsTest, PanelCasesMoveAndStopAtTheEnds) {
    EXPECT_EQ(PanelCase::parse("gpu"), Panel::gpu);
    EXPECT_FALSE(PanelCase::parse("GPU"));
    EXPECT_EQ(PanelCase::moved(PanelCase::moved(Panel::gpu, 1), 1), Panel::heat);
    EXPECT_EQ(PanelCase::moved(Panel::cpu, -1), Panel::cpu);
    EXPECT_EQ(PanelCase::text(Panel::memory), "memory");
}

TEST(CardTextsTest, MachineLineConfirmDetailsAndTheDoubleClickGuard) {
    EXPECT_EQ(CardTexts::machineLine("Chip", 17'000'000'000ULL, dateFromSeconds(0),
                                     dateFromSeconds(3600 * 50)),
              "Chip \u00B7 16 GB \u00B7 Up 2 days 2 hr");
    ProcessUsage app;
    app.name = "Safari";
    app.memory = 4'509'715'661ULL;
    app.cpu = 240.4;
    EXPECT_EQ(CardTexts::confirmDetail(Trouble::heat, app), "Using 240% CPU");
    EXPECT_EQ(CardTexts::confirmDetail(Trouble::memory, app), "Frees about 4.2 GB");

    QuitConfirmation q;
    q.offer(std::string("app:/a"));
    q.ask(10);
    EXPECT_FALSE(q.confirm(10.3)) << "a double click on the first Quit";
    EXPECT_TRUE(q.confirming());
    EXPECT_TRUE(q.confirm(10.5));
    EXPECT_FALSE(q.confirming());
    q.ask(20);
    q.offer(std::string("app:/a"));
    EXPECT_TRUE(q.confirming()) << "the same culprit keeps the question";
    q.offer(std::string("app:/b"));
    EXPECT_FALSE(q.confirming()) << "another culprit closes it";
    EXPECT_FALSE(q.confirm(30));
}

}  // namespace
}  // namespace tv
