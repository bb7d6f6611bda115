// The panel while open: a whole paint of it, one frame of the expanded CPU row's chart, and
// building it afresh as a click on the tray item does.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>

#include "monitor/Monitor.h"
#include "support/FakeReaders.h"
#include "ui/LiveChart.h"
#include "ui/panel/AppIcons.h"
#include "ui/panel/Dashboard.h"

namespace {

using namespace tv;

struct Machine {
    QTemporaryDir dir;
    Settings settings{dir.filePath("TallyVane.ini")};
    std::shared_ptr<test::FakeMachine> fake = std::make_shared<test::FakeMachine>();
    std::vector<FrontAppCandidate> front;
    double clock = 10'000;
    std::unique_ptr<Monitor> monitor;
    AppIcons icons;

    Machine() {
        MonitorParts parts;
        parts.readers = std::make_unique<test::FakeReaders>(fake);
        parts.samplerSettings = std::make_unique<Settings>(dir.filePath("TallyVane.ini"));
        parts.settings = std::make_unique<Settings>(dir.filePath("TallyVane.ini"));
        parts.system = std::make_unique<test::FakeSystem>();
        parts.frontApp = std::make_unique<test::FakeFront>(&front);
        parts.clock = [this] { return dateFromSeconds(clock); };
        monitor = std::make_unique<Monitor>(std::move(parts));
        for (int tick = 0; tick < 62; ++tick) {
            Snapshot s;
            s.cpu = CPUSample{{0.2, 0.4, 0.1, 0.9}, 0.1 + (tick % 7) / 20.0, 0.1, {}};
            s.memory = fake->memory;
            s.thermal = ThermalSample{60.0 + tick % 9, 70, 50, 30, {Fan{2400, 1200, 5000}}};
            std::vector<ProcessUsage> apps;
            for (int i = 0; i < 8; ++i) {
                ProcessUsage p;
                p.id = "pid:" + std::to_string(100 + i);
                p.name = "App " + std::to_string(i);
                p.cpu = (i * 13 + tick) % 90;
                p.memory = (i + 1) * (100ULL << 20);
                p.count = i + 1;
                apps.push_back(p);
            }
            s.processes = apps;
            clock += 1;
            monitor->apply(s);
        }
    }

    std::unique_ptr<Dashboard> dashboard() {
        DashboardParts parts;
        parts.monitor = monitor.get();
        parts.settings = &settings;
        parts.icons = &icons;
        parts.clock = [] { return 0.0; };
        parts.animateIn = false;
        return std::make_unique<Dashboard>(parts);
    }
};

void PaintWholePanel(benchmark::State& state) {
    Machine machine;
    auto dashboard = machine.dashboard();
    dashboard->adjustSize();
    QImage image(dashboard->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        dashboard->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["height"] = dashboard->height();
}
BENCHMARK(PaintWholePanel)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

void ChartFrame(benchmark::State& state) {
    LiveChart chart;
    chart.color = QColor(10, 132, 255);
    chart.span = 60;
    chart.lineWidth = 1.5;
    chart.grid = true;
    chart.live = true;
    for (int i = 0; i < 62; ++i) {
        chart.values.push_back((i * 37 % 100) / 100.0);
    }
    chart.sampledAt = dateFromSeconds(1000);
    chart.shownAt = dateFromSeconds(900);
    QImage image(312, 54, QImage::Format_ARGB32_Premultiplied);
    double t = 0;
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        t += 1.0 / 30;
        chart.paint(painter, QRectF(0, 0, 312, 54), dateFromSeconds(1000 + std::fmod(t, 1.0)),
                    Qt::black);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(ChartFrame)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

// What a click costs before the window server shows it: build, lay out and paint.
void OpenPanel(benchmark::State& state) {
    Machine machine;
    for (auto _ : state) {
        auto dashboard = machine.dashboard();
        dashboard->adjustSize();
        QImage image(dashboard->size(), QImage::Format_ARGB32_Premultiplied);
        dashboard->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(OpenPanel)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
