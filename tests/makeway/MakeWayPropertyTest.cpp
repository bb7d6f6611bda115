// Long random runs of samples, checking what must hold after every step.
#include <gtest/gtest.h>

#include <random>

#include "core/MakeWay.h"
#include "support/Rows.h"

namespace tv {
namespace {

using test::app;

// A small world of apps that come and go, get busy, go quiet, come to the front and play
// sound at random.
class World {
  public:
    explicit World(unsigned seed) : random_(seed) {
        for (int i = 0; i < 12; ++i) {
            ProcessUsage row = app("App" + std::to_string(i), 0.1 + i * 0.3, 0,
                                   {100 + 2 * i, 101 + 2 * i}, i == 11, i == 10);
            pool_.push_back(row);
        }
        pool_.push_back(app("TallyVane", 2, 0, {77}));
    }

    std::vector<ProcessUsage> rows() {
        std::vector<ProcessUsage> list;
        for (ProcessUsage row : pool_) {
            if (chance(0.9)) {
                row.cpu = chance(0.5) ? uniform(50, 400) : uniform(0, 49.9);
                list.push_back(row);
            }
        }
        std::shuffle(list.begin(), list.end(), random_);
        return list;
    }
    int pressure() { return std::vector<int>{0, 1, 1, 1, 2, 4, 4}[pick(7)]; }
    ThermalState thermal() { return pick(4); }
    std::optional<std::string> front(const std::vector<ProcessUsage>& list) {
        if (list.empty() || chance(0.2)) {
            return std::nullopt;
        }
        return list[pick(list.size())].appPath;
    }
    std::set<std::int32_t> audible() {
        std::set<std::int32_t> pids;
        if (chance(0.3)) {
            pids.insert(100 + static_cast<std::int32_t>(pick(24)));
        }
        return pids;
    }
    bool chance(double p) { return std::uniform_real_distribution<>(0, 1)(random_) < p; }
    double uniform(double a, double b) { return std::uniform_real_distribution<>(a, b)(random_); }
    int pick(std::size_t n) {
        return static_cast<int>(std::uniform_int_distribution<std::size_t>(0, n - 1)(random_));
    }

  private:
    std::mt19937 random_;
    std::vector<ProcessUsage> pool_;
};

void checkHeld(const MakeWay& rules, const std::vector<ProcessUsage>& rows,
               const std::optional<std::string>& front, const std::set<std::int32_t>& audible,
               const SelfIdentity& self) {
    int paused = 0;
    for (const auto& [id, held] : rules.held()) {
        auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const ProcessUsage& r) { return r.id == id; });
        ASSERT_NE(row, rows.end()) << id << " is held but gone";
        EXPECT_FALSE(row->system) << id;
        EXPECT_FALSE(row->isSelf(self)) << id;
        EXPECT_FALSE(front && row->appPath == front) << id << " is in front";
        for (std::int32_t pid : row->pids) {
            EXPECT_EQ(audible.count(pid), 0u) << id << " makes sound";
        }
        if (held.hold == Hold::paused) {
            ++paused;
            EXPECT_FALSE(row->typed) << id;
        }
    }
    EXPECT_LE(paused, MakeWay::mostPausedAtOnce);
}

class MakeWayProperties : public testing::TestWithParam<unsigned> {};

TEST_P(MakeWayProperties, HoldOnlyWhatMayBeHeldAndLetEverythingGoAfterCalm) {
    World world(GetParam());
    SelfIdentity self{std::string("/TallyVane.app"), 1};
    MakeWay rules(self);
    double t = 0;
    int pauses = 0, slowings = 0, releases = 0;
    for (int step = 0; step < 3000; ++step) {
        t += world.chance(0.1) ? world.uniform(0, 30) : 1;
        auto rows = world.rows();
        auto front = world.front(rows);
        auto audible = world.audible();
        int pressure = world.pressure();
        ThermalState thermal = world.thermal();
        std::map<std::string, Held> before = rules.held();

        std::vector<Change> changes;
        bool resumed = world.chance(0.02) && !before.empty();
        if (resumed) {
            changes = rules.resume(before.begin()->first);
        } else {
            changes = rules.update(pressure, thermal, rows, front, audible, momentFromSeconds(t));
        }

        std::set<std::string> released;
        for (const Change& c : changes) {
            if (c.isHold()) {
                (c.hold == Hold::paused ? pauses : slowings)++;
                EXPECT_TRUE(c.hold != Hold::paused || pressure > 3) << "paused at " << pressure;
                EXPECT_TRUE(front.has_value()) << "held " << c.id << " with nobody in front";
            } else {
                EXPECT_EQ(before.count(c.id), 1u) << "released " << c.id << " that was not held";
                released.insert(c.id);
                ++releases;
            }
        }
        for (const auto& [id, held] : before) {
            if (released.count(id) > 0) {
                continue;
            }
            ASSERT_EQ(rules.held().count(id), 1u) << id << " vanished without a release";
            EXPECT_FALSE(held.hold == Hold::paused && rules.held().at(id).hold == Hold::slowed)
                << id << " went from paused back to slowed";
        }
        if (!resumed) {  // a resume leaves the rest as the previous sample had it
            checkHeld(rules, rows, front, audible, self);
        }
    }

    // The run must have exercised every kind of change to mean anything.
    EXPECT_GT(pauses, 10);
    EXPECT_GT(slowings, 10);
    EXPECT_GT(releases, 10);

    // A long calm lets everything go, one app every 15 s after the calm minute.
    auto rows = world.rows();
    for (int second = 0; second < 60 + 15 * 14; ++second) {
        rules.update(1, 0, rows, std::nullopt, {}, momentFromSeconds(t + 1 + second));
    }
    EXPECT_TRUE(rules.held().empty());
}

INSTANTIATE_TEST_SUITE_P(Seeds, MakeWayProperties, testing::Values(1u, 2u, 3u, 42u, 2026u));

}  // namespace
}  // namespace tv
