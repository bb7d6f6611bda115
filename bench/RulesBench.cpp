// Figures for the make-way and alert rules over a list of 500 apps in trouble.
#include <benchmark/benchmark.h>

#include <random>

#include "core/AlertRules.h"
#include "core/MakeWay.h"

namespace {

std::vector<tv::ProcessUsage> fiveHundredApps() {
    std::mt19937 random(7);
    std::vector<tv::ProcessUsage> rows;
    for (int i = 0; i < 500; ++i) {
        tv::ProcessUsage row;
        row.appPath = "/usr/share/applications/app" + std::to_string(i) + ".desktop";
        row.id = "app:" + *row.appPath;
        row.name = "App " + std::to_string(i);
        row.memory = (random() % 2000) << 20;
        row.cpu = static_cast<double>(random() % 150);
        row.pids = {1000 + 3 * i, 1001 + 3 * i, 1002 + 3 * i};
        row.count = 3;
        row.system = i % 7 == 0;
        rows.push_back(row);
    }
    return rows;
}

void MakeWayUpdate500(benchmark::State& state) {
    auto rows = fiveHundredApps();
    tv::MakeWay rules(tv::SelfIdentity{std::nullopt, 1});
    std::optional<std::string> front = rows[3].appPath;
    std::set<std::int32_t> audible{1010, 1011};
    double t = 0;
    for (auto _ : state) {
        int pressure = static_cast<long long>(t) % 200 < 150 ? 4 : 1;  // trouble, then calm
        benchmark::DoNotOptimize(
            rules.update(pressure, 0, rows, front, audible, tv::momentFromSeconds(t)));
        t += 1;
    }
}
BENCHMARK(MakeWayUpdate500)->MeasureProcessCPUTime()->UseRealTime();

void AlertRulesUpdate500(benchmark::State& state) {
    auto rows = fiveHundredApps();
    tv::AlertRules rules(tv::SelfIdentity{std::nullopt, 1}, tv::Vocabulary::forLinux());
    double t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rules.update(4, 2, rows, true, {}, tv::momentFromSeconds(t)));
        t += 1;
    }
}
BENCHMARK(AlertRulesUpdate500)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
