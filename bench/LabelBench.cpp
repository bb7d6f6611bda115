// The tray label is rendered once a second for the life of the program.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "ui/MenuBarLabel.h"

namespace {

tv::LabelReadings readings(int tick) {
    tv::LabelReadings r;
    r.cpu = (tick % 100) / 100.0;
    // The whole history the program keeps, of which the label's chart shows the last 16.
    for (int i = 0; i < 62; ++i) {
        r.cpuHistory.push_back(((tick + i * 7) % 100) / 100.0);
    }
    r.sampledAt = tv::dateFromSeconds(1000 + tick);
    r.memoryTotal = 16ULL << 30;
    r.memoryUsed = (8ULL << 30) + static_cast<std::uint64_t>(tick) * 4096;
    r.pressure = 1;
    r.temperature = 40 + tick % 30;
    return r;
}

void RenderLabel(benchmark::State& state) {
    double scale = static_cast<double>(state.range(0));
    int tick = 0;
    for (auto _ : state) {
        tv::MenuBarLabel label(readings(++tick));
        QImage image = label.render(scale, Qt::black);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(RenderLabel)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

// One item at a time, at scale 2: what each costs.
void RenderOneItem(benchmark::State& state) {
    int tick = 0;
    for (auto _ : state) {
        tv::LabelReadings r = readings(++tick);
        r.showCPU = state.range(0) == 0;
        r.showMemory = state.range(0) == 1;
        r.showHeat = state.range(0) == 2;
        QImage image = tv::MenuBarLabel(r).render(2, Qt::black);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(RenderOneItem)->DenseRange(0, 3)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
