#include "monitor/Monitor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "support/EventLoop.h"
#include <filesystem>
#include <fstream>

#include "support/FakeReaders.h"

namespace tv {
namespace {

using test::FakeFront;
using test::FakeMachine;
using test::FakeReaders;
using test::FakeSystem;

ProcessUsage row(const std::string& id, double cpu = 0) {
    ProcessUsage r;
    r.id = id;
    r.name = id;
    r.cpu = cpu;
    r.count = 1;
    return r;
}

class MonitorTest : public testing::Test {
  protected:
    MonitorTest() {
        MonitorParts parts;
        parts.readers = std::make_unique<FakeReaders>(machine);
        parts.samplerSettings = std::make_unique<Settings>(dir.filePath("TallyVane.ini"));
        parts.system = std::make_unique<FakeSystem>();
        parts.frontApp = std::make_unique<FakeFront>(&front);
        parts.self = SelfIdentity{std::nullopt, 77};
        parts.clock = [this] { return dateFromSeconds(clock); };
        parts.steady = [this] { return momentFromSeconds(clock); };
        monitor = std::make_unique<Monitor>(std::move(parts));
    }

    Snapshot calm() const {
        Snapshot s;
        s.cpu = CPUSample{{0.2, 0.4}, 0.2, 0.1, {}};
        s.memory = MemorySample{8ULL << 30, 2ULL << 30, 1ULL << 30, 1ULL << 30, 0, 0, 0, 1};
        return s;
    }

    // One tick taken now.
    void apply(Snapshot s) {
        s.at = momentFromSeconds(clock);
        monitor->apply(s);
    }

    QTemporaryDir dir;
    std::shared_ptr<FakeMachine> machine = std::make_shared<FakeMachine>();
    std::vector<FrontAppCandidate> front;
    double clock = 10'000;
    std::unique_ptr<Monitor> monitor;
};

TEST_F(MonitorTest, FixedFactsAndInitialState) {
    EXPECT_EQ(monitor->chip(), "Test Chip");
    EXPECT_EQ(monitor->efficiencyCores(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(monitor->bootedAt(), dateFromSeconds(1000));
    EXPECT_EQ(monitor->memory().pressure, 0);
    EXPECT_EQ(monitor->load(), (std::vector<double>{0, 0, 0}));
    EXPECT_FALSE(monitor->closedCost().has_value());
    EXPECT_EQ(monitor->healthTitle(), "All good");
}

TEST_F(MonitorTest, HistoriesGrowPerTickAndClampTheirValues) {
    Snapshot s = calm();
    apply(s);
    EXPECT_EQ(monitor->cpuHistory().values(), (std::vector<double>{0.30000000000000004}));
    EXPECT_EQ(monitor->memoryHistory().values(), (std::vector<double>{0.5}));
    EXPECT_EQ(monitor->gpuHistory().values(), (std::vector<double>{0}));
    EXPECT_TRUE(monitor->temperatureHistory().values().empty());

    // No CPU reading: CPU and its history stay; the others still grow.
    Snapshot noCpu = calm();
    noCpu.cpu.reset();
    noCpu.thermal.cpu = 70;
    apply(noCpu);
    EXPECT_EQ(monitor->cpuHistory().values().size(), 1u);
    EXPECT_EQ(monitor->cpu(), *calm().cpu);
    EXPECT_EQ(monitor->memoryHistory().values().size(), 2u);
    EXPECT_EQ(monitor->temperatureHistory().values(), (std::vector<double>{0.5}));

    for (double celsius : {20.0, 120.0}) {
        Snapshot t = calm();
        t.thermal.cpu = celsius;
        apply(t);
    }
    EXPECT_EQ(monitor->temperatureHistory().values(), (std::vector<double>{0.5, 0, 1}));

    Snapshot noTotal = calm();
    noTotal.memory = MemorySample{};
    apply(noTotal);
    EXPECT_EQ(monitor->memoryHistory().values().back(), 0.0);

    for (int i = 0; i < 100; ++i) {
        apply(calm());
    }
    EXPECT_EQ(monitor->cpuHistory().values().size(), 62u);
}

TEST_F(MonitorTest, PropertiesNotifyOnlyOnRealChangesAndHistoriesOnEveryPush) {
    QSignalSpy memoryChanged(monitor.get(), &Monitor::memoryChanged);
    QSignalSpy memoryPushed(monitor.get(), &Monitor::memoryHistoryChanged);
    QSignalSpy processesChanged(monitor.get(), &Monitor::processesChanged);
    QSignalSpy loadChanged(monitor.get(), &Monitor::loadChanged);
    Snapshot s = calm();
    s.processes = std::vector<ProcessUsage>{row("pid:1")};
    apply(s);
    apply(s);
    s.processes.reset();  // not read: the previous list stays
    apply(s);
    EXPECT_EQ(memoryChanged.count(), 1);
    EXPECT_EQ(memoryPushed.count(), 3);
    EXPECT_EQ(processesChanged.count(), 1);
    EXPECT_EQ(loadChanged.count(), 0);  // the initial zeros never changed
    EXPECT_EQ(monitor->processes().size(), 1u);
    s.processes = std::vector<ProcessUsage>{};  // read, and nothing qualified
    apply(s);
    EXPECT_TRUE(monitor->processes().empty());
}

TEST_F(MonitorTest, OwnCostIsMeasuredOnlyWellIntoAClosedPeriod) {
    Snapshot s = calm();
    s.processes = std::vector<ProcessUsage>{row("pid:12", 90), row("pid:77", 0.4)};
    clock += 65;  // exactly 65 s: not yet
    apply(s);
    EXPECT_FALSE(monitor->closedCost().has_value());
    clock += 1;
    Snapshot notRead = calm();
    apply(notRead);  // no list this tick
    EXPECT_FALSE(monitor->closedCost().has_value());
    apply(s);
    EXPECT_EQ(monitor->closedCost(), 0.4);

    monitor->setOpen(true);
    s.processes = std::vector<ProcessUsage>{row("pid:77", 9)};
    clock += 100;
    apply(s);
    EXPECT_EQ(monitor->closedCost(), 0.4);  // open: kept, never cleared
    monitor->setOpen(false);
    clock += 30;
    apply(s);
    EXPECT_EQ(monitor->closedCost(), 0.4);
    clock += 40;
    apply(s);
    EXPECT_EQ(monitor->closedCost(), 9.0);
    s.processes = std::vector<ProcessUsage>{row("pid:5", 9)};  // own row missing
    apply(s);
    EXPECT_EQ(monitor->closedCost(), 9.0);
}

TEST_F(MonitorTest, QuitRequestsEndWhenTheAppLeavesOrAfterTenSeconds) {
    Snapshot s = calm();
    s.processes = std::vector<ProcessUsage>{row("pid:1"), row("pid:2"), row("pid:3")};
    apply(s);
    monitor->markQuitting("pid:1", momentFromSeconds(clock));
    monitor->markQuitting("pid:2", momentFromSeconds(clock));
    monitor->markQuitting("pid:9", momentFromSeconds(clock));  // not in the list
    EXPECT_TRUE(monitor->isQuitting(row("pid:1")));

    clock += 5;
    s.processes = std::vector<ProcessUsage>{row("pid:1"), row("pid:3")};  // 2 quit
    apply(s);
    EXPECT_TRUE(monitor->isQuitting(row("pid:1")));
    EXPECT_FALSE(monitor->isQuitting(row("pid:2")));
    EXPECT_FALSE(monitor->isQuitting(row("pid:9")));

    clock += 4.9;
    apply(s);
    EXPECT_TRUE(monitor->isQuitting(row("pid:1")));
    clock += 0.1;  // ten seconds: given up
    apply(s);
    EXPECT_FALSE(monitor->isQuitting(row("pid:1")));
}

TEST_F(MonitorTest, FrontAppKeepsItsLastKnownValue) {
    apply(calm());
    EXPECT_FALSE(monitor->frontApp().has_value());
    front = {{false, std::string("/usr/share/applications/editor.desktop")}};
    apply(calm());
    EXPECT_EQ(monitor->frontApp(), "/usr/share/applications/editor.desktop");
    front = {{true, std::string("/usr/share/applications/tallyvane.desktop")}};
    apply(calm());
    front = {};
    apply(calm());
    EXPECT_EQ(monitor->frontApp(), "/usr/share/applications/editor.desktop");
}

TEST_F(MonitorTest, AFrontProcessesAppComesWithTheAppListAndUnknownStaysUnknown) {
    Snapshot listed = calm();
    listed.processes = std::vector<ProcessUsage>{};  // the front app need not be listed
    listed.frontApp = "pid:9";
    monitor->apply(listed);
    EXPECT_EQ(monitor->frontApp(), "pid:9");
    monitor->apply(calm());  // no list read: nothing was asked
    EXPECT_EQ(monitor->frontApp(), "pid:9");
    listed.frontApp.reset();
    monitor->apply(listed);
    EXPECT_FALSE(monitor->frontApp().has_value()) << "never the app before";
}

TEST(MonitorParts, TallyVaneStartedFromItsDesktopEntryKnowsItsOwnAppRow) {
    QTemporaryDir data;
    std::string entry = data.filePath("applications/tallyvane.desktop").toStdString();
    std::filesystem::create_directories(data.filePath("applications").toStdString());
    std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=TallyVane\nExec="
                         << std::filesystem::read_symlink("/proc/self/exe").string() << "\n";
    const bool wasSet = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    QByteArray before = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    MonitorParts parts = MonitorParts::live();
    if (wasSet) {
        qputenv("XDG_DATA_HOME", before);
    } else {
        qunsetenv("XDG_DATA_HOME");
    }
    EXPECT_EQ(parts.self.appPath, entry);
    ProcessUsage own;
    own.id = "app:" + entry;
    own.appPath = entry;
    EXPECT_TRUE(own.isSelf(parts.self));
}

TEST_F(MonitorTest, HealthFollowsTheLatestReadings) {
    Snapshot s = calm();
    s.memory.pressure = 4;
    ProcessUsage big = row("app:/Editor.app");
    big.name = "Editor";
    big.memory = 3'435'973'837;
    s.processes = std::vector<ProcessUsage>{row("pid:1"), big};
    apply(s);
    EXPECT_EQ(monitor->health(), Health::critical);
    EXPECT_EQ(monitor->healthTitle(), "Memory is critical");
    EXPECT_EQ(monitor->culprit()->name, "Editor");
    EXPECT_EQ(monitor->healthDetail(), "Editor uses the most: 3.2 GB");
    EXPECT_TRUE(monitor->hasAlert());
}

TEST_F(MonitorTest, OpeningRefreshesAtOnceEveryTimeAndClosingMovesClosedAt) {
    machine->processes = {row("pid:5")};
    QSignalSpy changed(monitor.get(), &Monitor::processesChanged);
    monitor->setOpen(true);
    ASSERT_TRUE(changed.wait(5000));
    EXPECT_EQ(monitor->processes().size(), 1u);
    machine->processes = {row("pid:5"), row("pid:6")};
    monitor->setOpen(true);
    ASSERT_TRUE(changed.wait(5000));
    EXPECT_EQ(machine->processReads, 2);
    EXPECT_TRUE(monitor->isOpen());

    clock += 50;
    monitor->setOpen(false);
    EXPECT_EQ(monitor->closedAt(), momentFromSeconds(clock));
    clock += 5;
    monitor->setOpen(false);
    EXPECT_EQ(monitor->closedAt(), momentFromSeconds(clock));
}

TEST_F(MonitorTest, StartedItTicksOnItsOwnThread) {
    QSignalSpy pushed(monitor.get(), &Monitor::memoryHistoryChanged);
    int ticks = 0;
    monitor->setOnSample([&ticks] { ++ticks; });
    monitor->start();
    ASSERT_TRUE(pushed.wait(5000));  // the first reading comes at once
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(monitor->memory(), machine->memory);
    EXPECT_EQ(monitor->load(), (std::vector<double>{1, 2, 3}));
}

// Quitting while the sampling thread is inside a reading: the Monitor waits for the reading to
// end, and nothing of it reaches the Monitor after it is gone.
TEST_F(MonitorTest, DestroyedWhileATickRunsWaitsForIt) {
    struct SlowReaders : FakeReaders {
        using FakeReaders::FakeReaders;
        MemorySample memory() override {
            inTick = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return FakeReaders::memory();
        }
        std::atomic<bool> inTick = false;
    };
    auto readers = std::make_unique<SlowReaders>(machine);
    SlowReaders* slow = readers.get();
    MonitorParts parts;
    parts.readers = std::move(readers);
    parts.samplerSettings = std::make_unique<Settings>(dir.filePath("Slow.ini"));
    parts.system = std::make_unique<FakeSystem>();
    parts.frontApp = std::make_unique<FakeFront>(&front);
    parts.self = SelfIdentity{std::nullopt, 77};
    parts.clock = [this] { return dateFromSeconds(clock); };
    auto slowMonitor = std::make_unique<Monitor>(std::move(parts));
    slowMonitor->start();
    ASSERT_TRUE(test::spin(5, [&] { return slow->inTick.load(); }));
    slowMonitor.reset();  // must neither hang nor leave the thread reading freed readers
    QCoreApplication::processEvents();
}

TEST_F(MonitorTest, ASpeedTestWithoutItsToolFailsAtOnce) {
    QSignalSpy failed(&monitor->speedTest(), &SpeedTestRun::failedChanged);
    monitor->runSpeedTest();
    ASSERT_TRUE(test::spin(1, [&] { return monitor->speedTestFailed(); }));
    EXPECT_FALSE(monitor->speedTestStarted());
    EXPECT_FALSE(monitor->speedResult());
    EXPECT_EQ(failed.count(), 1);
}

}  // namespace
}  // namespace tv
