// The Monitor shows, announces and counts only what the executor really did to real
// processes: holds it refused are neither listed nor posted, and take no pause slot.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "monitor/Monitor.h"
#include "platform/linux/holdback/LinuxBackgroundBand.h"
#include "platform/linux/holdback/LinuxPrivateFolder.h"
#include "platform/linux/holdback/LinuxProcessControl.h"
#include "support/FakeReaders.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using test::processState;
using test::Spawned;
using test::waitFor;

class PostedNotices : public Notices {
  public:
    void post(const AlertMessage& message) override {
        if (message.id == "makeway") {
            titles.push_back(message.title);
        }
    }
    void withdraw(const std::string&) override {}
    std::vector<std::string> titles;
};

class MonitorHeldAsDoneTest : public testing::Test {
  protected:
    void makeMonitor(const std::string& journal) {
        MonitorParts parts;
        parts.readers = std::make_unique<test::FakeReaders>(std::make_shared<test::FakeMachine>());
        parts.samplerSettings = std::make_unique<Settings>(dir.filePath("TallyVane.ini"));
        parts.settings = std::make_unique<Settings>(dir.filePath("TallyVane.ini"));
        parts.system = std::make_unique<test::FakeSystem>();
        parts.frontApp = std::make_unique<test::FakeFront>(&front);
        parts.self = SelfIdentity{std::nullopt, ::getpid()};
        parts.clock = [] { return dateFromSeconds(1'000'000); };
        parts.steady = [this] { return momentFromSeconds(clock); };
        parts.holdBack = std::make_unique<HoldBack>(
            ::getpid(), 0.2, 0.1,
            HoldBack::Parts{
                std::make_unique<linux_os::LinuxProcessControl>(),
                std::make_unique<linux_os::LinuxBackgroundBand>(),
                std::make_unique<linux_os::LinuxWatchdogLauncher>(TALLYVANE_TEST_HOLDER),
                std::make_unique<linux_os::LinuxPrivateFolder>(journal)});
        monitor = std::make_unique<Monitor>(std::move(parts));
        monitor->setNotices(&notices);
    }
    void tick(int pressure, std::vector<ProcessUsage> rows, double seconds = 1) {
        clock += seconds;
        Snapshot s;
        s.memory = MemorySample{8ULL << 30, 6ULL << 30, 1ULL << 30, 0, 0, 0, 0, pressure};
        s.processes = std::move(rows);
        s.at = momentFromSeconds(clock);
        monitor->apply(s);
    }
    static ProcessUsage appRow(const std::string& name, pid_t pid, std::uint64_t memory) {
        ProcessUsage r;
        r.id = "app:/apps/" + name + ".desktop";
        r.appPath = "/apps/" + name + ".desktop";
        r.name = name;
        r.memory = memory;
        r.cpu = 1;
        r.pids = {pid};
        r.count = 1;
        return r;
    }
    bool stops(pid_t pid) {
        return waitFor(1, [&] { return processState(pid) == 'T'; });
    }

    QTemporaryDir dir;
    std::vector<FrontAppCandidate> front{FrontAppCandidate{false, std::string("/apps/Editor")}};
    double clock = 50'000;
    PostedNotices notices;
    std::unique_ptr<Monitor> monitor;
};

TEST_F(MonitorHeldAsDoneTest, WithoutAPrivateJournalFolderNothingIsShownAnnouncedOrCounted) {
    std::string shared = dir.filePath("shared").toStdString();
    ASSERT_EQ(::mkdir(shared.c_str(), 0777), 0);
    ::chmod(shared.c_str(), 0777);  // whatever the umask: anyone may write here
    makeMonitor(shared);
    Spawned big({TALLYVANE_TEST_WORKER, "1"});
    tick(4, {appRow("Build", big.pid(), 900ULL << 20)});
    EXPECT_TRUE(monitor->held().empty());
    EXPECT_TRUE(monitor->makeWay().held().empty());
    EXPECT_TRUE(notices.titles.empty());
    EXPECT_FALSE(stops(big.pid()));
}

// A job of a terminal (a process group of its own beside its shell's, in the same session):
// stopped, it would be hung up if the shell ended, so it is only slowed; the pause goes to
// the next big app at once, not fifteen seconds later.
TEST_F(MonitorHeldAsDoneTest, ARefusedPauseIsNeitherShownNorAnnouncedAndLeavesTheSlotFree) {
    makeMonitor(dir.filePath("undo").toStdString());
    Spawned shell({"/usr/bin/python3", "-c",
                   "import os, sys, time\n"
                   "if os.fork() == 0:\n"
                   "    os.setpgid(0, 0)\n"
                   "    os.execv(sys.argv[1], [sys.argv[1], '1', 'sleep'])\n"
                   "time.sleep(600)\n",
                   TALLYVANE_TEST_WORKER});
    std::vector<pid_t> below;
    ASSERT_TRUE(waitFor(5, [&] {
        below = test::descendantsOf(shell.pid());
        return below.size() == 1 && test::commOf(below.front()).rfind("tallyvane_test", 0) == 0;
    }));
    Spawned other({TALLYVANE_TEST_WORKER, "1"});
    std::vector<ProcessUsage> rows{appRow("Job", below.front(), 900ULL << 20),
                                   appRow("Other", other.pid(), 800ULL << 20)};

    tick(4, rows);
    ASSERT_EQ(monitor->held().size(), 1u);
    EXPECT_EQ(monitor->held()[0].app.name, "Job");
    EXPECT_EQ(monitor->held()[0].hold, Hold::slowed) << "slowed, as the executor did";
    EXPECT_FALSE(stops(below.front()));
    EXPECT_EQ(notices.titles, (std::vector<std::string>{"Slowed Job to keep your Mac quick"}));

    tick(4, rows);
    ASSERT_EQ(monitor->held().size(), 2u) << "the unused slot pauses the next app now";
    EXPECT_EQ(monitor->held()[0].app.name, "Other");
    EXPECT_EQ(monitor->held()[0].hold, Hold::paused);
    EXPECT_EQ(monitor->held()[1].hold, Hold::slowed);
    EXPECT_TRUE(stops(other.pid()));
    EXPECT_EQ(notices.titles.back(), "Paused Other so memory can recover");

    tick(4, rows, MakeWay::pauseSpacing);
    EXPECT_EQ(monitor->held()[1].hold, Hold::slowed) << "not tried again while it lasts";
    EXPECT_FALSE(stops(below.front()));
}

}  // namespace
}  // namespace tv
