// Long random runs of samples, checking what must hold after every step.
#include <gtest/gtest.h>

#include <random>

#include "core/AlertRules.h"
#include "support/Rows.h"

namespace tv {
namespace {

using test::app;

int levelOf(const AlertMessage& m) {
    bool high = m.title == "Memory is critical" || m.title.find("overheating") != std::string::npos;
    return high ? 2 : 1;
}

class AlertRulesProperties : public testing::TestWithParam<unsigned> {};

TEST_P(AlertRulesProperties, WithdrawOnlyWhatShowsAndNeverRepeatWithinTheHour) {
    std::mt19937 random(GetParam());
    auto uniform = [&](double a, double b) {
        return std::uniform_real_distribution<>(a, b)(random);
    };
    AlertRules rules(SelfIdentity{std::nullopt, 1}, Vocabulary::forMac());
    std::set<std::string> showing;
    std::map<std::string, std::pair<double, int>> lastPost;  // at, level
    double t = 0;
    int pressure = 1;
    ThermalState thermal = 0;
    int posts = 0, withdrawals = 0;
    for (int step = 0; step < 20000; ++step) {
        t += uniform(0, 1) < 0.05 ? uniform(0, 900) : 1;
        // Conditions drift rather than jump, like a real machine.
        if (uniform(0, 1) < 0.05) {
            pressure = std::vector<int>{0, 1, 2, 4}[random() % 4];
        }
        if (uniform(0, 1) < 0.05) {
            thermal = static_cast<ThermalState>(random() % 4);
        }
        std::vector<ProcessUsage> rows;
        for (int i = 0; i < 5; ++i) {
            if (uniform(0, 1) < 0.9) {
                rows.push_back(app("A" + std::to_string(i), i,
                                   i < 2 ? uniform(85, 100) : uniform(0, 100), {i + 1}));
            }
        }
        AlertRules::Switches switches;
        switches.memory = uniform(0, 1) > 0.01;
        switches.heat = uniform(0, 1) > 0.01;
        switches.stuck = uniform(0, 1) > 0.01;
        bool fresh = uniform(0, 1) < 0.7;

        for (const AlertChange& c :
             rules.update(pressure, thermal, rows, fresh, switches, momentFromSeconds(t))) {
            if (c.kind == AlertChange::Kind::withdraw) {
                EXPECT_EQ(showing.erase(c.id), 1u)
                    << "withdrew " << c.id << " that was not showing";
                ++withdrawals;
                continue;
            }
            int level = levelOf(c.message);
            if (showing.count(c.id) > 0) {
                auto [at, before] = lastPost.at(c.id);
                EXPECT_TRUE(t - at >= 3600 || level > before)
                    << c.id << " reposted after " << t - at << " s at level " << level;
            }
            showing.insert(c.id);
            ++posts;
            lastPost[c.id] = {t, level};
        }
        EXPECT_EQ(rules.showing(), showing);
    }
    EXPECT_GT(posts, 50);
    EXPECT_GT(withdrawals, 50);
}

INSTANTIATE_TEST_SUITE_P(Seeds, AlertRulesProperties, testing::Values(1u, 7u, 99u));

}  // namespace
}  // namespace tv
