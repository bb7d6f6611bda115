#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include "alerts/Notifier.h"

#include "monitor/Monitor.h"
#include "platform/linux/holdback/LinuxBackgroundBand.h"
#include "platform/linux/holdback/LinuxPrivateFolder.h"
#include "platform/linux/holdback/LinuxProcessControl.h"
#include "settings/SettingKeys.h"
#include "support/DesktopRig.h"
#include "support/EventLoop.h"
#include "support/FakeReaders.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using test::FakeMachine;
using test::FakeReaders;
using test::processState;
using test::Spawned;
using test::waitFor;

constexpr std::uint64_t MiB = 1ULL << 20;

// Keeps every post and withdrawal in order.
class RecordedNotices : public Notices {
  public:
    void post(const AlertMessage& message) override { posted.push_back(message); }
    void withdraw(const std::string& id) override { withdrawn.push_back(id); }

    bool postedTitle(const std::string& title) const {
        return std::any_of(posted.begin(), posted.end(),
                           [&](const AlertMessage& m) { return m.title == title; });
    }

    std::vector<AlertMessage> posted;
    std::vector<std::string> withdrawn;
};

ProcessUsage appRow(const std::string& name, pid_t pid, std::uint64_t memory, double cpu = 1) {
    ProcessUsage r;
    r.id = "app:/apps/" + name + ".desktop";
    r.appPath = "/apps/" + name + ".desktop";
    r.name = name;
    r.memory = memory;
    r.cpu = cpu;
    r.pids = {pid};
    r.count = 1;
    return r;
}

class MonitorDecisionsTest : public testing::Test {
  protected:
    MonitorDecisionsTest() {
        MonitorParts parts;
        parts.readers = std::make_unique<FakeReaders>(machine);
        // The settings tell moments apart on the ticks' clock: a change stored between two
        // ticks counts from the second, however fast the machine runs them.
        auto steady = [this] { return momentFromSeconds(clock); };
        parts.samplerSettings = std::make_unique<Settings>(dir.filePath("TallyVane.ini"), steady);
        parts.settings = std::make_unique<Settings>(dir.filePath("TallyVane.ini"), steady);
        parts.system = std::make_unique<test::FakeSystem>();
        parts.frontApp = std::make_unique<test::FakeFront>(&front);
        parts.self = SelfIdentity{std::nullopt, ::getpid()};
        parts.clock = [this] { return dateFromSeconds(clock + wallStep); };
        parts.steady = steady;
        parts.holdBack = std::make_unique<HoldBack>(
            ::getpid(), 0.2, 0.1,
            HoldBack::Parts{
                std::make_unique<linux_os::LinuxProcessControl>(),
                std::make_unique<linux_os::LinuxBackgroundBand>(),
                std::make_unique<linux_os::LinuxWatchdogLauncher>(TALLYVANE_TEST_HOLDER),
                std::make_unique<linux_os::LinuxPrivateFolder>(
                    dir.filePath("undo").toStdString())});
        parts.apps =
            std::make_unique<Apps>(std::make_unique<linux_os::LinuxProcessControl>(), parts.self);
        monitor = std::make_unique<Monitor>(std::move(parts));
        monitor->setNotices(&notices);
        front = {FrontAppCandidate{false, std::string("/apps/Editor.desktop")}};
    }

    // One tick `seconds` after the last, with the app list read.
    void tick(int pressure, std::vector<ProcessUsage> rows, double seconds = 1) {
        clock += seconds;
        Snapshot s;
        s.memory = MemorySample{8ULL << 30, 6ULL << 30, 1ULL << 30, 0, 0, 0, 0, pressure};
        s.processes = std::move(rows);
        s.at = momentFromSeconds(clock);
        monitor->apply(s);
    }

    // Ticks until a calm minute has let everything go, one app per 15 s.
    void calmDown(const std::vector<ProcessUsage>& rows) {
        for (int i = 0; i < 130 && !monitor->held().empty(); ++i) {
            tick(1, rows);
        }
    }

    bool paused(pid_t pid) {
        return waitFor(2, [&] { return processState(pid) == 'T'; });
    }
    bool running(pid_t pid) {
        return waitFor(2, [&] {
            char state = processState(pid);
            return state != 'T' && state != 0;
        });
    }

    QTemporaryDir dir;
    std::shared_ptr<FakeMachine> machine = std::make_shared<FakeMachine>();
    std::vector<FrontAppCandidate> front;
    double clock = 50'000;  // steady time
    double wallStep = 0;    // how far the wall clock was set off it
    RecordedNotices notices;
    std::unique_ptr<Monitor> monitor;
};

TEST_F(MonitorDecisionsTest, CriticalMemoryPausesTheBigBackgroundAppAndACalmMinuteLetsItGo) {
    Spawned big({TALLYVANE_TEST_WORKER, "2"});
    std::vector<ProcessUsage> rows{appRow("Build", big.pid(), 600 * MiB),
                                   appRow("Editor", ::getpid() + 1'000'000, 700 * MiB)};
    tick(4, rows);

    ASSERT_EQ(monitor->held().size(), 1u);
    EXPECT_EQ(monitor->held()[0].app.name, "Build");
    EXPECT_EQ(monitor->held()[0].hold, Hold::paused);
    EXPECT_TRUE(paused(big.pid()));
    ASSERT_TRUE(notices.postedTitle("Paused Build so memory can recover"));
    auto announced = std::find_if(notices.posted.begin(), notices.posted.end(),
                                  [](const AlertMessage& m) { return m.id == "makeway"; });
    EXPECT_TRUE(announced->sound);
    EXPECT_TRUE(notices.postedTitle("Memory is critical"));

    calmDown(rows);
    EXPECT_TRUE(monitor->held().empty());
    EXPECT_TRUE(running(big.pid()));
    EXPECT_NE(std::find(notices.withdrawn.begin(), notices.withdrawn.end(), "makeway"),
              notices.withdrawn.end());
}

TEST_F(MonitorDecisionsTest, WallClockStepsNeitherKeepAppsHeldNorActEarly) {
    Spawned big({TALLYVANE_TEST_WORKER, "1"}), busy({TALLYVANE_TEST_WORKER, "1"});
    std::vector<ProcessUsage> rows{appRow("Build", big.pid(), 600 * MiB)};
    tick(4, rows);
    ASSERT_EQ(monitor->held().size(), 1u);
    tick(1, rows);     // calm begins
    wallStep = -3600;  // and the clock is set back an hour
    for (int i = 0; i < 59; ++i) {
        tick(1, rows);
    }
    EXPECT_EQ(monitor->held().size(), 1u) << "not before the calm minute";
    tick(1, rows);
    EXPECT_TRUE(monitor->held().empty()) << "after the calm minute, not an hour later";
    EXPECT_TRUE(running(big.pid()));

    tick(4, rows, MakeWay::pauseSpacing);
    ASSERT_EQ(monitor->held().size(), 1u);
    tick(1, rows);
    wallStep += 3600;  // a step ahead (a time server, a wake-up) is no calm minute
    tick(1, rows);
    EXPECT_EQ(monitor->held().size(), 1u);

    std::vector<ProcessUsage> hot{appRow("Render", busy.pid(), 50 * MiB, 95)};
    tick(2, hot);
    wallStep += 3600;  // nor ten busy seconds
    tick(2, hot);
    EXPECT_FALSE(std::any_of(monitor->held().begin(), monitor->held().end(),
                             [](const Held& h) { return h.app.name == "Render"; }));
}

// The screen locked, the bare desktop in front: held apps keep their hold through the trouble
// and are let go after the calm minute as ever; nothing new is held meanwhile.
TEST_F(MonitorDecisionsTest, WithNobodyInFrontHeldAppsStayHeldAndAreLetGoAfterTheCalmMinute) {
    Spawned big({TALLYVANE_TEST_WORKER, "1"}), other({TALLYVANE_TEST_WORKER, "1"});
    std::vector<ProcessUsage> rows{appRow("Build", big.pid(), 600 * MiB),
                                   appRow("Other", other.pid(), 550 * MiB)};
    tick(4, rows);
    ASSERT_EQ(monitor->held().size(), 1u);
    ASSERT_TRUE(paused(big.pid()));

    front.clear();
    tick(4, rows, MakeWay::pauseSpacing);
    EXPECT_EQ(monitor->held().size(), 1u) << "no further pause with nobody in front";
    EXPECT_TRUE(running(other.pid()));
    for (int i = 0; i < 60; ++i) {  // 59 s of calm
        tick(1, rows);
    }
    ASSERT_EQ(monitor->held().size(), 1u) << "held through the calm minute";
    EXPECT_EQ(monitor->held()[0].hold, Hold::paused);
    tick(1, rows);
    EXPECT_TRUE(monitor->held().empty()) << "let go after it";
    EXPECT_TRUE(running(big.pid()));
    EXPECT_EQ(notices.withdrawn.back(), "makeway");
}

TEST_F(MonitorDecisionsTest, NothingIsDecidedWithoutTheFrontAppOrTheAppList) {
    Spawned big({TALLYVANE_TEST_WORKER, "1"});
    std::vector<ProcessUsage> rows{appRow("Build", big.pid(), 600 * MiB)};
    front.clear();
    tick(4, rows);
    EXPECT_TRUE(monitor->held().empty());

    front = {FrontAppCandidate{false, std::string("/apps/Editor.desktop")}};
    clock += 1;
    Snapshot noList;
    noList.memory = MemorySample{8ULL << 30, 6ULL << 30, 0, 0, 0, 0, 0, 4};
    noList.at = momentFromSeconds(clock);
    monitor->apply(noList);
    EXPECT_TRUE(monitor->held().empty());
    // The alert rules still ran (on the list kept from before).
    EXPECT_TRUE(notices.postedTitle("Memory is critical"));
}

TEST_F(MonitorDecisionsTest, SwitchingMakeWayOffReleasesEverythingAtTheNextListAndOnAgainResumes) {
    Spawned big({TALLYVANE_TEST_WORKER, "1"});
    std::vector<ProcessUsage> rows{appRow("Build", big.pid(), 600 * MiB)};
    tick(4, rows);
    ASSERT_EQ(monitor->held().size(), 1u);

    Settings(dir.filePath("TallyVane.ini")).setBoolean(SettingKeys::makeWay, false);
    clock += 1;
    Snapshot noList;
    noList.memory = MemorySample{8ULL << 30, 6ULL << 30, 0, 0, 0, 0, 0, 4};
    noList.at = momentFromSeconds(clock);
    monitor->apply(noList);
    EXPECT_EQ(monitor->held().size(), 1u) << "only a tick with the app list decides";
    tick(4, rows);
    EXPECT_TRUE(monitor->held().empty());
    EXPECT_TRUE(running(big.pid()));
    tick(4, rows);
    EXPECT_TRUE(monitor->held().empty());

    Settings(dir.filePath("TallyVane.ini")).remove(SettingKeys::makeWay);
    tick(4, rows);
    EXPECT_TRUE(monitor->held().empty()) << "let go apps stay excused while the trouble lasts";
    tick(1, rows);
    tick(4, rows, MakeWay::pauseSpacing);
    EXPECT_EQ(monitor->held().size(), 1u) << "normal decisions again in new trouble";
}

TEST_F(MonitorDecisionsTest, AFurtherPauseIsAnnouncedWithoutSoundAndSilentSwitchesStillRecord) {
    Spawned a({TALLYVANE_TEST_WORKER, "1"}), b({TALLYVANE_TEST_WORKER, "1"});
    std::vector<ProcessUsage> rows{appRow("Alpha", a.pid(), 900 * MiB),
                                   appRow("Beta", b.pid(), 800 * MiB)};
    tick(4, rows);
    ASSERT_EQ(monitor->held().size(), 1u);
    notices.posted.clear();
    tick(4, rows, MakeWay::pauseSpacing);
    ASSERT_EQ(monitor->held().size(), 2u);
    ASSERT_FALSE(notices.posted.empty());
    const AlertMessage& second = notices.posted.front();
    EXPECT_EQ(second.title, "Paused Alpha and Beta so memory can recover");
    EXPECT_FALSE(second.sound);
    EXPECT_TRUE(paused(a.pid()));
    EXPECT_TRUE(paused(b.pid()));
}

TEST_F(MonitorDecisionsTest, WithBothSwitchesOffASlowingIsRecordedButNotAnnounced) {
    Settings settings(dir.filePath("TallyVane.ini"));
    settings.setBoolean(SettingKeys::alertMemory, false);
    settings.setBoolean(SettingKeys::alertHeat, false);
    Spawned busy({TALLYVANE_TEST_WORKER, "1"});
    std::vector<ProcessUsage> rows{appRow("Render", busy.pid(), 50 * MiB, 95)};
    for (int i = 0; i <= 12 && monitor->held().empty(); ++i) {
        tick(2, rows);
    }
    ASSERT_EQ(monitor->held().size(), 1u);
    EXPECT_EQ(monitor->held()[0].hold, Hold::slowed);
    EXPECT_TRUE(monitor->makeWay().said());
    EXPECT_TRUE(notices.posted.empty());
}

TEST_F(MonitorDecisionsTest, QuittingAPausedAppLetsItRunFirstThenAsksIt) {
    Spawned big({TALLYVANE_TEST_WORKER, "1"});
    std::vector<ProcessUsage> rows{appRow("Build", big.pid(), 600 * MiB)};
    tick(4, rows);
    ASSERT_TRUE(paused(big.pid()));

    monitor->quit(rows[0]);
    EXPECT_TRUE(monitor->held().empty());
    EXPECT_TRUE(monitor->isQuitting(rows[0]));
    EXPECT_TRUE(waitFor(3, [&] {
        return processState(big.pid()) == 'Z' || processState(big.pid()) == 0;
    })) << "the continued app received SIGTERM";
    // Gone from the list: no longer shown as quitting.
    tick(4, {});
    EXPECT_FALSE(monitor->isQuitting(rows[0]));
    EXPECT_TRUE(monitor->makeWay().excused().count(rows[0].id));
}

TEST_F(MonitorDecisionsTest, QuitRequestsThatCannotBeDeliveredAreNotRemembered) {
    ProcessUsage gone = appRow("Gone", 999'999'999, 10 * MiB);
    tick(1, {gone});
    monitor->quit(gone);
    EXPECT_FALSE(monitor->isQuitting(gone));
    monitor->quit(std::string("/apps/Nowhere.desktop"));
    EXPECT_TRUE(monitor->quitting().empty());
    EXPECT_FALSE(monitor->isRunning("/apps/Gone.desktop"));
}

TEST_F(MonitorDecisionsTest, NotificationResponses) {
    Spawned a({TALLYVANE_TEST_WORKER, "1"}), b({TALLYVANE_TEST_WORKER, "1"}),
        c({TALLYVANE_TEST_WORKER, "1"});
    std::vector<ProcessUsage> rows{appRow("A", a.pid(), 900 * MiB), appRow("B", b.pid(), 800 * MiB),
                                   appRow("C", c.pid(), 700 * MiB)};
    tick(4, rows);
    tick(4, rows, MakeWay::pauseSpacing);
    tick(4, rows, MakeWay::pauseSpacing);
    ASSERT_EQ(monitor->held().size(), 3u);

    int opened = 0;
    monitor->setOnOpenPanel([&] { ++opened; });
    monitor->respond({"default", "makeway", std::nullopt});
    EXPECT_EQ(opened, 1);
    monitor->setOpen(true);
    monitor->respond({"default", "makeway", std::nullopt});
    EXPECT_EQ(opened, 1) << "already open";
    monitor->respond({"dismissed", "makeway", std::nullopt});

    monitor->respond({"resume", "makeway", std::nullopt});
    EXPECT_TRUE(monitor->held().empty());
    for (const Spawned* p : {&a, &b, &c}) {
        EXPECT_TRUE(running(p->pid()));
    }
    EXPECT_EQ(notices.withdrawn.back(), "makeway");
    tick(4, rows, MakeWay::pauseSpacing);
    EXPECT_TRUE(monitor->held().empty()) << "excused while the trouble lasts";

    monitor->respond({"quit", "memory", std::string("/apps/B.desktop")});
    EXPECT_TRUE(monitor->isQuitting(rows[1]));
    EXPECT_EQ(notices.withdrawn.back(), "memory");
    EXPECT_TRUE(waitFor(3, [&] { return processState(b.pid()) == 'Z'; }));
    EXPECT_TRUE(running(a.pid()));
}

TEST_F(MonitorDecisionsTest, QuittingTheProgramLetsEverythingGo) {
    Spawned big({TALLYVANE_TEST_WORKER, "1"});
    tick(4, {appRow("Build", big.pid(), 600 * MiB)});
    ASSERT_TRUE(paused(big.pid()));
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    EXPECT_TRUE(monitor->held().empty());
    EXPECT_TRUE(running(big.pid()));
}

TEST_F(MonitorDecisionsTest, DestroyingTheMonitorLetsEverythingGo) {
    Spawned big({TALLYVANE_TEST_WORKER, "1"});
    tick(4, {appRow("Build", big.pid(), 600 * MiB)});
    ASSERT_TRUE(paused(big.pid()));
    monitor.reset();
    EXPECT_TRUE(running(big.pid()));
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {

// The whole path through a real notification server: the tick posts, the user chooses.
class MonitorWithServerTest : public MonitorDecisionsTest {
  protected:
    static void SetUpTestSuite() { rig = new test::DesktopRig({"notifications"}); }
    static void TearDownTestSuite() {
        delete rig;
        rig = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(rig->started());
        bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
            QString::fromStdString(rig->env("DBUS_SESSION_BUS_ADDRESS")),
            QStringLiteral("monitor-test")));
        notifier = std::make_unique<Notifier>(
            Notifier::Parts{*bus,
                            [this](const std::string& path) { return monitor->isRunning(path); },
                            [] { return true; },
                            [] {},
                            5000,
                            {}});
        notifier->setUp();
        QObject::connect(notifier.get(), &Notifier::responded,
                         [this](const NotificationResponse& r) { monitor->respond(r); });
        monitor->setNotices(notifier.get());
    }
    void TearDown() override {
        monitor->setNotices(nullptr);
        notifier.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("monitor-test"));
    }

    static inline test::DesktopRig* rig = nullptr;
    std::unique_ptr<QDBusConnection> bus;
    std::unique_ptr<Notifier> notifier;
};

TEST_F(MonitorWithServerTest, ResumeLetsEveryHeldAppGoInOneStepAndQuitReachesTheApp) {
    Spawned a({TALLYVANE_TEST_WORKER, "1"}), b({TALLYVANE_TEST_WORKER, "1"});
    std::vector<ProcessUsage> rows{appRow("Alpha", a.pid(), 900 * MiB),
                                   appRow("Beta", b.pid(), 800 * MiB)};
    tick(4, rows);
    tick(4, rows, MakeWay::pauseSpacing);
    ASSERT_EQ(monitor->held().size(), 2u);
    ASSERT_TRUE(test::spin(
        5, [&] { return notifier->serverId("makeway") && notifier->serverId("memory"); }));
    EXPECT_TRUE(test::spin(5, [&] {
        return rig->shown().find("Paused Alpha and Beta so memory can recover") !=
               std::string::npos;
    }));

    QSignalSpy heldChanges(monitor.get(), &Monitor::heldChanged);
    std::string menu = rig->choose("resume");
    ASSERT_TRUE(test::spin(5, [&] { return monitor->held().empty(); })) << menu;
    EXPECT_EQ(heldChanges.count(), 1);
    EXPECT_TRUE(running(a.pid()));
    EXPECT_TRUE(running(b.pid()));
    EXPECT_TRUE(test::spin(5, [&] { return !notifier->serverId("makeway"); }));

    // "Memory is critical" names the biggest app and offers to quit it.
    rig->choose("quit");
    ASSERT_TRUE(test::spin(5, [&] { return monitor->isQuitting(rows[0]); }));
    EXPECT_TRUE(waitFor(3, [&] { return processState(a.pid()) == 'Z'; }));
    EXPECT_TRUE(test::spin(5, [&] { return !notifier->serverId("memory"); }));
    EXPECT_TRUE(running(b.pid()));
}

}  // namespace
}  // namespace tv
