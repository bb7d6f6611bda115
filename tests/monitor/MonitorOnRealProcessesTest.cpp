// The Monitor's sampling thread, the process reader on this machine's real processes and the
// executor holding them: what make way holds is what the reader keeps showing it.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "monitor/Monitor.h"
#include "platform/linux/holdback/LinuxBackgroundBand.h"
#include "platform/linux/holdback/LinuxPrivateFolder.h"
#include "platform/linux/holdback/LinuxProcessControl.h"
#include "platform/linux/proc/LinuxProcessSource.h"
#include "readers/ProcessReader.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/FakeReaders.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using test::FakeMachine;
using test::Spawned;

// Fake readings, but the app list is the process reader's over /proc, cut down to the rows of
// the test's own children (nothing else on the machine is ever held by these tests). They
// stand for the user's apps, so the source takes someone else to be TallyVane.
class RealProcessReaders : public test::FakeReaders {
  public:
    // `share` holds the applications folder whose entries make apps.
    RealProcessReaders(std::shared_ptr<FakeMachine> machine, const std::string& share)
        : FakeReaders(std::move(machine)),
          reader_(std::make_unique<linux_os::LinuxProcessSource>(
              linux_os::LinuxProcessSource::Options{"/", ::getuid(), 0x7FFFFFF0, true, nullptr,
                                                    std::nullopt},
              std::make_shared<linux_os::DesktopEntries>(std::vector<std::string>{share},
                                                         std::vector<std::string>{}, "C"))) {}

    std::vector<ProcessUsage> processes() override {
        std::vector<ProcessUsage> rows = reader_.read();
        std::vector<pid_t> ours = test::descendantsOf(::getpid());
        std::erase_if(rows, [&](const ProcessUsage& row) {
            return std::any_of(row.pids.begin(), row.pids.end(), [&](std::int32_t pid) {
                return std::find(ours.begin(), ours.end(), pid) == ours.end();
            });
        });
        return rows;
    }
    void keepListed(const std::set<std::string>& ids) override { reader_.keepListed(ids); }

  private:
    ProcessReader reader_;
};

class MonitorOnRealProcessesTest : public testing::Test {
  protected:
    // Trouble all along (raised memory pressure) and a steady clock that runs `speed` times
    // as fast as the real one, so that a minute of trouble takes a quarter of one.
    void startMonitor(double speed) {
        Settings(dir.filePath("TallyVane.ini")).setInteger(SettingKeys::demoPressure, 2);
        MonitorParts parts;
        parts.self = SelfIdentity{std::nullopt, ::getpid()};
        parts.readers =
            std::make_unique<RealProcessReaders>(machine, dir.filePath("share").toStdString());
        parts.apps =
            std::make_unique<Apps>(std::make_unique<linux_os::LinuxProcessControl>(), parts.self);
        parts.samplerSettings = std::make_unique<Settings>(dir.filePath("TallyVane.ini"));
        parts.settings = std::make_unique<Settings>(dir.filePath("TallyVane.ini"));
        parts.system = std::make_unique<test::FakeSystem>();
        parts.frontApp = std::make_unique<test::FakeFront>(&front);
        parts.clock = [] { return dateFromSeconds(1'000'000); };
        auto began = std::chrono::steady_clock::now();
        parts.steady = [began, speed] {
            std::chrono::duration<double> real = std::chrono::steady_clock::now() - began;
            return momentFromSeconds(1000 + speed * real.count());
        };
        parts.holdBack = std::make_unique<HoldBack>(
            ::getpid(), 0.2, 0.1,
            HoldBack::Parts{
                std::make_unique<linux_os::LinuxProcessControl>(),
                std::make_unique<linux_os::LinuxBackgroundBand>(),
                std::make_unique<linux_os::LinuxWatchdogLauncher>(TALLYVANE_TEST_HOLDER),
                std::make_unique<linux_os::LinuxPrivateFolder>(
                    dir.filePath("undo").toStdString())});
        monitor = std::make_unique<Monitor>(std::move(parts));
        monitor->start();
    }
    const Held* heldWith(pid_t pid) const {
        for (const Held& entry : monitor->held()) {
            if (std::find(entry.app.pids.begin(), entry.app.pids.end(), pid) !=
                entry.app.pids.end()) {
                return &entry;
            }
        }
        return nullptr;
    }

    QTemporaryDir dir;
    std::shared_ptr<FakeMachine> machine = std::make_shared<FakeMachine>();
    std::vector<FrontAppCandidate> front{FrontAppCandidate{false, std::string("/apps/Editor")}};
    std::unique_ptr<Monitor> monitor;
};

// A busy app far under the listing threshold's 10 MiB is slowed; slowed, it gets next to no
// processor time (here it is told to go quiet, as it would be starved on a loaded machine),
// and by the reader's thresholds alone it would leave the list and be let go as if it had
// quit.
TEST_F(MonitorOnRealProcessesTest, ASlowedSmallAppThatStarvesStaysHeldUntilItEnds) {
    constexpr double speed = 4;
    auto small =
        std::make_unique<Spawned>(std::vector<std::string>{TALLYVANE_TEST_WORKER, "4", "busy"});
    startMonitor(speed);
    // A loaded machine may hold it back under half a core now and then: it is slowed after
    // its first ten busy seconds in a row.
    ASSERT_TRUE(test::spin(30, [&] { return heldWith(small->pid()) != nullptr; }))
        << "busy ten seconds of trouble: slowed";
    EXPECT_EQ(heldWith(small->pid())->hold, Hold::slowed);
    ::kill(small->pid(), SIGUSR1);

    // Quiet from here: a minute of trouble on the test's clock.
    ASSERT_TRUE(test::spin(60 / speed + 4, [&] {
        const Held* entry = heldWith(small->pid());
        return entry == nullptr || entry->app.cpu < MakeWay::busyCPU / 10;
    }));
    bool letGo = test::spin(60 / speed, [&] { return heldWith(small->pid()) == nullptr; });
    EXPECT_FALSE(letGo) << "let go while it still runs";
    const Held* entry = heldWith(small->pid());
    ASSERT_NE(entry, nullptr);
    EXPECT_LT(entry->app.memory, ProcessReader::smallestListedMemory);
    EXPECT_TRUE(std::any_of(monitor->processes().begin(), monitor->processes().end(),
                            [&](const ProcessUsage& row) { return row.id == entry->app.id; }))
        << "still in the app list make way refreshes from";

    // It ends: gone from the list and let go at once.
    small.reset();
    EXPECT_TRUE(test::spin(4, [&] { return monitor->held().empty(); }));
}

// "Quit App" on a notice about an app that has since left the list (idle and small, it is not
// shown): the app at that path is still asked to quit.
TEST_F(MonitorOnRealProcessesTest, QuittingAnAppThatLeftTheListStillAsksTheAppAtThatPath) {
    std::filesystem::create_directories(dir.filePath("bin").toStdString());
    std::filesystem::create_directories(dir.filePath("share/applications").toStdString());
    std::string program = dir.filePath("bin/quiet").toStdString();
    std::filesystem::copy_file(TALLYVANE_TEST_WORKER, program);
    std::string entry = dir.filePath("share/applications/org.example.Quiet.desktop").toStdString();
    std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=Quiet\nExec=" << program
                         << "\n";
    Spawned quiet({program, "1"});
    startMonitor(1);
    test::spin(1.5, [] { return false; });  // a tick or so
    EXPECT_FALSE(std::any_of(monitor->processes().begin(), monitor->processes().end(),
                             [&](const ProcessUsage& row) { return row.appPath == entry; }))
        << "too small and idle to be listed";

    monitor->quit(entry);
    EXPECT_TRUE(test::spin(5, [&] { return test::processState(quiet.pid()) == 'Z'; }))
        << "asked to quit";
    EXPECT_TRUE(monitor->quitting().empty()) << "an unlisted app's attempt is not kept";
}

}  // namespace
}  // namespace tv
