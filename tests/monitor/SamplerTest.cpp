#include "monitor/Sampler.h"

#include <gtest/gtest.h>

#include <thread>

#include <QTemporaryDir>

#include "settings/SettingKeys.h"
#include "support/FakeReaders.h"

namespace tv {
namespace {

using test::FakeMachine;
using test::FakeReaders;

class SamplerTest : public testing::Test {
  protected:
    Sampler& sampler() {
        if (!sampler_) {
            sampler_ = std::make_unique<Sampler>(std::make_unique<FakeReaders>(machine),
                                                 std::make_unique<Settings>(path));
        }
        return *sampler_;
    }
    void alertsOff() {
        for (const char* key :
             {SettingKeys::alertMemory, SettingKeys::alertHeat, SettingKeys::alertStuckApp}) {
            settings.setBoolean(key, false);
        }
    }
    // Which of readings from..to (1-based) carried an app list.
    std::vector<int> readingsWithProcesses(int count) {
        std::vector<int> with;
        for (int i = 0; i < count; ++i) {
            if (sampler().sample().processes) {
                with.push_back(sampler().calls());
            }
        }
        return with;
    }

    QTemporaryDir dir;
    QString path = dir.filePath("TallyVane.ini");
    Settings settings{path};
    std::shared_ptr<FakeMachine> machine = std::make_shared<FakeMachine>();

  private:
    std::unique_ptr<Sampler> sampler_;
};

TEST_F(SamplerTest, FirstReadingReadsSensorsAndTheListWhenAnAlertIsOn) {
    Snapshot first = sampler().sample();
    EXPECT_EQ(machine->thermalReads, 1);
    EXPECT_EQ(first.thermal.cpu, 41.0);
    EXPECT_TRUE(first.processes.has_value());
    EXPECT_TRUE(first.audible.empty());  // calm: audio users not asked
    EXPECT_EQ(machine->audioReads, 0);
    EXPECT_EQ(first.load, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(first.network, (NetworkRate{1000, 2000}));
    EXPECT_EQ(first.gpu, 0.25);
}

TEST_F(SamplerTest, PanelClosedAndCalmReadsTheListOncePerMinute) {
    EXPECT_EQ(readingsWithProcesses(125), (std::vector<int>{1, 61, 121}));
}

TEST_F(SamplerTest, AllAlertsOffAndCalmNeverReadsTheList) {
    alertsOff();
    EXPECT_TRUE(readingsWithProcesses(130).empty());
    EXPECT_EQ(machine->processReads, 0);
}

TEST_F(SamplerTest, OpenPanelAlternatesListAndSensors) {
    sampler().setWantsProcesses(true);
    std::vector<int> with = readingsWithProcesses(64);
    std::vector<int> expected{1};
    for (int n = 2; n <= 64; n += 2) {
        expected.push_back(n);
        if (n == 60) {
            expected.push_back(61);
        }
    }
    EXPECT_EQ(with, expected);
    EXPECT_EQ(machine->thermalReads, 32);  // readings 1, 3, 5, ... 63
}

TEST_F(SamplerTest, SensorsAreFreshOnOddReadingsAndRepeatedOnEven) {
    std::vector<std::optional<double>> seen;
    for (int i = 0; i < 4; ++i) {
        seen.push_back(sampler().sample().thermal.cpu);
    }
    EXPECT_EQ(seen, (std::vector<std::optional<double>>{41.0, 41.0, 42.0, 42.0}));
}

TEST_F(SamplerTest, AJustOpenedPanelGetsAListEvenOnAnOddReading) {
    alertsOff();
    sampler().sample();  // 1
    sampler().sample();  // 2
    sampler().setWantsProcesses(true);
    sampler().setJustOpened(true);
    EXPECT_TRUE(sampler().sample().processes.has_value());   // 3: just opened
    EXPECT_TRUE(sampler().sample().processes.has_value());   // 4: even
    EXPECT_FALSE(sampler().sample().processes.has_value());  // 5: the flag was cleared
}

TEST_F(SamplerTest, RisingPressureBringsTheListAndAudioOnEveryReading) {
    alertsOff();
    sampler().sample();
    machine->memory.pressure = 2;
    machine->front = "pid:9";
    for (int i = 0; i < 5; ++i) {
        Snapshot s = sampler().sample();
        EXPECT_TRUE(s.processes.has_value());
        EXPECT_EQ(s.audible, (std::set<std::int32_t>{42}));
        EXPECT_EQ(s.frontApp, "pid:9");  // worked out with the list, here on this thread
    }
    machine->memory.pressure = 1;  // a drop is not a worsening
    Snapshot calm = sampler().sample();
    EXPECT_FALSE(calm.processes.has_value());
    EXPECT_TRUE(calm.audible.empty());
    EXPECT_EQ(machine->frontReads, 5) << "a calm reading does not ask who is in front";
}

TEST_F(SamplerTest, AFairThermalStateIsAWorseningButNotAStrain) {
    alertsOff();
    sampler().sample();
    machine->thermalState = 1;
    EXPECT_TRUE(sampler().sample().processes.has_value());
    EXPECT_FALSE(sampler().sample().processes.has_value());
    machine->thermalState = 2;
    EXPECT_TRUE(sampler().sample().processes.has_value());
    EXPECT_TRUE(sampler().sample().processes.has_value());
}

TEST_F(SamplerTest, HoldingReadsListAndAudioEveryReading) {
    alertsOff();
    sampler().setHeld({"app:/apps/Build.desktop"});
    for (int i = 0; i < 3; ++i) {
        Snapshot s = sampler().sample();
        EXPECT_TRUE(s.processes.has_value());
        EXPECT_FALSE(s.audible.empty());
    }
}

TEST_F(SamplerTest, DemoSettingsRaiseAndThenRestoreTheRealLevels) {
    alertsOff();
    sampler().sample();
    settings.setInteger(SettingKeys::demoPressure, 4);
    settings.setInteger(SettingKeys::demoThermal, 3);
    // The sampler looks at the file again once the moment it last looked has passed.
    auto nextMoment = [] { std::this_thread::sleep_for(2 * Settings::sameMoment); };
    nextMoment();
    for (int i = 0; i < 3; ++i) {
        Snapshot s = sampler().sample();
        EXPECT_EQ(s.memory.pressure, 4);
        EXPECT_EQ(s.thermalState, 3);
        EXPECT_TRUE(s.processes.has_value());
        EXPECT_FALSE(s.audible.empty());
    }
    settings.setInteger(SettingKeys::demoPressure, 0);
    settings.remove(SettingKeys::demoThermal);
    nextMoment();
    Snapshot s = sampler().sample();
    EXPECT_EQ(s.memory.pressure, 1);
    EXPECT_EQ(s.thermalState, 0);
    EXPECT_FALSE(s.processes.has_value());
    // A demo value below the real level never lowers it.
    machine->memory.pressure = 2;
    settings.setInteger(SettingKeys::demoPressure, 1);
    nextMoment();
    EXPECT_EQ(sampler().sample().memory.pressure, 2);
}

TEST_F(SamplerTest, DemoLoopRecordsThenReplays) {
    settings.setInteger(SettingKeys::demoLoop, 3);
    std::vector<std::uint64_t> returned;
    for (int n = 1; n <= 11; ++n) {
        machine->memory.app = static_cast<std::uint64_t>(n);  // marks which reading it was
        returned.push_back(sampler().sample().memory.app);
    }
    EXPECT_EQ(returned, (std::vector<std::uint64_t>{1, 2, 3, 4, 5, 6, 7, 5, 6, 7, 5}));
    // The readers keep being read underneath.
    EXPECT_EQ(sampler().calls(), 11);
}

TEST_F(SamplerTest, DemoLoopIsReadOnceAtStart) {
    sampler();
    settings.setInteger(SettingKeys::demoLoop, 2);
    std::vector<std::uint64_t> returned;
    for (int n = 1; n <= 8; ++n) {
        machine->memory.app = static_cast<std::uint64_t>(n);
        returned.push_back(sampler().sample().memory.app);
    }
    EXPECT_EQ(returned, (std::vector<std::uint64_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
}  // namespace tv
