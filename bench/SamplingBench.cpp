// Figures for one calm reading and for the CPU and memory readers on this machine.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "monitor/LiveReaders.h"
#include "monitor/Sampler.h"
#include "platform/Platform.h"
#include "settings/SettingKeys.h"

namespace {

void CPUReaderRead(benchmark::State& state) {
    tv::CPUReader reader(tv::platform::cpuTickSource());
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.read());
    }
}
BENCHMARK(CPUReaderRead)->MeasureProcessCPUTime()->UseRealTime();

void MemoryReaderRead(benchmark::State& state) {
    tv::MemoryReader reader(tv::platform::memorySource());
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.read());
    }
}
BENCHMARK(MemoryReaderRead)->MeasureProcessCPUTime()->UseRealTime();

void LoadAverages(benchmark::State& state) {
    auto info = tv::platform::systemInfo();
    for (auto _ : state) {
        benchmark::DoNotOptimize(info->loadAverages());
    }
}
BENCHMARK(LoadAverages)->MeasureProcessCPUTime()->UseRealTime();

// A whole reading with the panel closed on a calm machine: no app list. The alerts are off
// so that the once-a-minute list never falls inside the loop.
void CalmSamplerReading(benchmark::State& state) {
    QTemporaryDir dir;
    QString path = dir.filePath("TallyVane.ini");
    tv::Settings settings(path);
    for (const char* key : {tv::SettingKeys::alertMemory, tv::SettingKeys::alertHeat,
                            tv::SettingKeys::alertStuckApp}) {
        settings.setBoolean(key, false);
    }
    tv::Sampler sampler(std::make_unique<tv::LiveReaders>(), std::make_unique<tv::Settings>(path));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sampler.sample());
    }
}
BENCHMARK(CalmSamplerReading)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
