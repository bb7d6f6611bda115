#include "readers/CPUReader.h"

#include <gtest/gtest.h>

#include <deque>

namespace tv {
namespace {

// Hands out prepared readings, one per call; absent once they run out.
class ScriptedTicks : public CpuTickSource {
  public:
    explicit ScriptedTicks(std::deque<std::optional<CpuTicks>>* script) : script_(script) {}
    std::optional<CpuTicks> read() override {
        if (script_->empty()) {
            return std::nullopt;
        }
        auto next = script_->front();
        script_->pop_front();
        return next;
    }

  private:
    std::deque<std::optional<CpuTicks>>* script_;
};

CpuTicks ticks(std::vector<CoreTicks> cores, unsigned layout = 0) {
    return {std::move(cores), layout, {}};
}

class CPUReaderTest : public testing::Test {
  protected:
    std::deque<std::optional<CpuTicks>> script;
    CPUReader reader{std::make_unique<ScriptedTicks>(&script)};
};

TEST_F(CPUReaderTest, FirstReadIsAbsentThenUsageSinceThePreviousRead) {
    script = {ticks({{100, 50, 800, 10}, {0, 0, 1000, 0}}),
              ticks({{160, 70, 820, 30}, {0, 0, 1100, 0}})};
    EXPECT_FALSE(reader.read().has_value());
    auto s = reader.read();
    ASSERT_TRUE(s.has_value());
    // Core 0: user 60 + nice 20 + system 20 of 120; core 1: idle only.
    ASSERT_EQ(s->cores.size(), 2u);
    EXPECT_DOUBLE_EQ(s->cores[0], 100.0 / 120.0);
    EXPECT_DOUBLE_EQ(s->cores[1], 0.0);
    EXPECT_DOUBLE_EQ(s->user, 80.0 / 220.0);
    EXPECT_DOUBLE_EQ(s->system, 20.0 / 220.0);
    EXPECT_LE(s->total(), 1.0);
}

TEST_F(CPUReaderTest, ACoreThatDidNotMoveReadsZeroAndTheOthersStillCount) {
    script = {ticks({{10, 10, 10, 10}, {5, 5, 5, 5}}), ticks({{10, 10, 10, 10}, {15, 5, 5, 5}})};
    reader.read();
    auto s = reader.read();
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->cores, (std::vector<double>{0.0, 1.0}));
    EXPECT_DOUBLE_EQ(s->user, 1.0);
}

TEST_F(CPUReaderTest, NoTickAnywhereIsAbsentNotZero) {
    script = {ticks({{10, 10, 10, 10}}), ticks({{10, 10, 10, 10}}), ticks({{10, 10, 20, 10}})};
    reader.read();
    EXPECT_FALSE(reader.read().has_value());
    auto s = reader.read();  // compared with the reading before, which was kept
    ASSERT_TRUE(s.has_value());
    EXPECT_DOUBLE_EQ(s->total(), 0.0);
}

TEST_F(CPUReaderTest, CountersThatWrapGiveTheirSmallDelta) {
    script = {ticks({{0xFFFFFFF0u, 0, 0xFFFFFFFFu, 0}}), ticks({{0x10, 0, 0x0F, 0}})};
    reader.read();
    auto s = reader.read();
    ASSERT_TRUE(s.has_value());
    EXPECT_DOUBLE_EQ(s->user, 32.0 / 48.0);  // user +32, idle +16
}

TEST_F(CPUReaderTest, ChangedProcessorsGiveNoSampleThenResume) {
    script = {ticks({{1, 1, 1, 1}}), ticks({{2, 2, 2, 2}, {1, 1, 1, 1}}),
              ticks({{3, 3, 3, 3}, {2, 2, 2, 2}}),
              // Same count, but a different processor set (one went offline, another came up).
              ticks({{4, 4, 4, 4}, {900, 900, 900, 900}}, 1)};
    reader.read();
    EXPECT_FALSE(reader.read().has_value());
    EXPECT_TRUE(reader.read().has_value());
    EXPECT_FALSE(reader.read().has_value());
}

TEST_F(CPUReaderTest, AFailedReadKeepsThePreviousCounters) {
    script = {ticks({{10, 0, 10, 0}}), std::nullopt, ticks({{20, 0, 20, 0}})};
    reader.read();
    EXPECT_FALSE(reader.read().has_value());
    auto s = reader.read();
    ASSERT_TRUE(s.has_value());
    EXPECT_DOUBLE_EQ(s->user, 0.5);
}

}  // namespace
}  // namespace tv
