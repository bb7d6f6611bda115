// Figures for one calm reading and for the CPU and memory readers on this machine.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "monitor/LiveReaders.h"
#include "monitor/Sampler.h"
#include "platform/Platform.h"
#include "platform/linux/sound/LinuxAudioActivity.h"
#include "platform/linux/system/LinuxNetworkSource.h"
#include "platform/linux/system/LinuxThermalSource.h"
#include "readers/NetworkReader.h"
#include "readers/ThermalReader.h"
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

// The sensors of an AMD desktop laid out under a temporary root.
void ThermalReadAmdDesktop(benchmark::State& state) {
    QTemporaryDir dir;
    auto write = [&](const std::string& path, const std::string& text) {
        std::filesystem::path file = std::filesystem::path(dir.path().toStdString()) / path;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
    };
    write("sys/class/hwmon/hwmon0/name", "k10temp\n");
    int n = 1;
    for (const char* label : {"Tctl", "Tdie", "Tccd1", "Tccd2"}) {
        write("sys/class/hwmon/hwmon0/temp" + std::to_string(n) + "_label",
              std::string(label) + "\n");
        write("sys/class/hwmon/hwmon0/temp" + std::to_string(n++) + "_input", "61250\n");
    }
    write("sys/class/hwmon/hwmon1/name", "amdgpu\n");
    write("sys/class/hwmon/hwmon1/temp1_label", "edge\n");
    write("sys/class/hwmon/hwmon1/temp1_input", "50000\n");
    write("sys/class/hwmon/hwmon1/temp2_label", "junction\n");
    write("sys/class/hwmon/hwmon1/temp2_input", "58000\n");
    write("sys/class/hwmon/hwmon2/name", "nct6775\n");
    write("sys/class/hwmon/hwmon2/fan1_input", "1200\n");
    write("sys/class/hwmon/hwmon2/fan2_input", "900\n");
    tv::ThermalReader reader(
        std::make_unique<tv::linux_os::LinuxThermalSource>(dir.path().toStdString()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.read());
    }
}
BENCHMARK(ThermalReadAmdDesktop)->MeasureProcessCPUTime()->UseRealTime();

void NetworkRead(benchmark::State& state) {
    tv::NetworkReader reader(std::make_unique<tv::linux_os::LinuxNetworkSource>());
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.read());
    }
}
BENCHMARK(NetworkRead)->MeasureProcessCPUTime()->UseRealTime();

// Steady state: the set is kept up to date by the server's events, so asking is a lookup.
void AudioQuery(benchmark::State& state) {
    tv::linux_os::LinuxAudioActivity audio;
    for (auto _ : state) {
        benchmark::DoNotOptimize(audio.pids());
    }
}
BENCHMARK(AudioQuery)->MeasureProcessCPUTime()->UseRealTime();

// Asking with no sound server at all: the answer (empty) must come at once.
void AudioWithoutServerFromScratch(benchmark::State& state) {
    for (auto _ : state) {
        tv::linux_os::LinuxAudioActivity audio;
        benchmark::DoNotOptimize(audio.pids());
    }
}
BENCHMARK(AudioWithoutServerFromScratch)->MeasureProcessCPUTime()->UseRealTime()->Iterations(50);

}  // namespace

BENCHMARK_MAIN();
