#include "makeway/HoldBack.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/ProcessNaming.h"
#include "makeway/HoldJournal.h"
#include "platform/linux/holdback/LinuxBackgroundBand.h"
#include "platform/linux/holdback/LinuxPrivateFolder.h"
#include "platform/linux/holdback/LinuxProcessControl.h"
#include "platform/linux/holdback/SessionAutogroups.h"
#include "support/DesktopRig.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using linux_os::LinuxBackgroundBand;
using test::Spawned;
using test::waitFor;

char stateOf(pid_t pid) {
    std::string text = test::textOf("/proc/" + std::to_string(pid) + "/stat");
    std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

std::vector<pid_t> threadsOf(pid_t pid) {
    std::vector<pid_t> tids;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
        tids.push_back(std::stoi(entry.path().filename()));
    }
    return tids;
}

// Each thread's I/O priority and CPU policy.
std::map<pid_t, std::pair<int, int>> scheduling(pid_t pid) {
    std::map<pid_t, std::pair<int, int>> out;
    for (pid_t tid : threadsOf(pid)) {
        out[tid] = {LinuxBackgroundBand::ioPriority(tid), LinuxBackgroundBand::cpuPolicy(tid)};
    }
    return out;
}

bool inBand(pid_t tid) {
    return (LinuxBackgroundBand::ioPriority(tid) >> 13) == 3;
}

// The nice value of the process's session group; absent without autogroups.
std::optional<int> autogroupNice(pid_t pid) {
    auto group = linux_os::SessionAutogroups().of(pid);
    return group ? std::optional<int>(group->nice) : std::nullopt;
}

// Session groups weigh the processors here, so the band by session can be seen at work.
bool sessionsDecide(pid_t pid) {
    return linux_os::SessionAutogroups().decides(pid) && autogroupNice(pid) == 0;
}

class HoldBackTest : public testing::Test {
  protected:
    std::unique_ptr<HoldBack> executor(
        std::unique_ptr<ProcessControl> control = std::make_unique<linux_os::LinuxProcessControl>(),
        std::unique_ptr<WatchdogLauncher> launcher =
            std::make_unique<linux_os::LinuxWatchdogLauncher>(TALLYVANE_TEST_HOLDER)) {
        return std::make_unique<HoldBack>(
            ::getpid(), 0.2, 0.1,
            HoldBack::Parts{std::move(control), std::make_unique<LinuxBackgroundBand>(),
                            std::move(launcher),
                            std::make_unique<linux_os::LinuxPrivateFolder>(journalFolder())});
    }
    // The test holder standing in for TallyVane, pausing `pid` (4 s stopped, 1 s running).
    std::unique_ptr<Spawned> owner(pid_t pid) {
        std::string report = dir.filePath("report").toStdString();
        std::filesystem::remove(report);
        auto holder = std::make_unique<Spawned>(std::vector<std::string>{
            TALLYVANE_TEST_HOLDER, report, "pause", "0", std::to_string(pid)});
        EXPECT_TRUE(waitFor(10, [&] { return std::filesystem::exists(report); }));
        EXPECT_TRUE(waitFor(1, [&] { return stateOf(pid) == 'T'; }));
        return holder;
    }
    std::string journalFolder() const { return dir.path().toStdString() + "/journal"; }
    static ProcessUsage row(const std::string& name, std::vector<std::int32_t> pids) {
        ProcessUsage r;
        r.id = "app:/" + name + ".desktop";
        r.appPath = "/" + name + ".desktop";
        r.name = name;
        r.pids = std::move(pids);
        r.count = static_cast<int>(r.pids.size());
        linux_os::LinuxProcessControl control;
        for (std::int32_t pid : r.pids) {
            r.started.push_back(control.startedAt(pid).value_or(0));
        }
        return r;
    }
    static std::map<std::string, Held> holding(const ProcessUsage& app, Hold how) {
        return {{app.id, Held{app, how}}};
    }
    static Spawned worker(const char* mode = "sleep") {
        return Spawned({TALLYVANE_TEST_WORKER, "3", mode});
    }
    // Until all its threads run: at least four, and no more coming (a sanitizer's runtime may
    // add one of its own, so the count alone does not say the worker is done starting them).
    static void settle(const Spawned& p) {
        std::size_t seen = 0;
        int steady = 0;
        ASSERT_TRUE(waitFor(10, [&] {
            std::size_t now = threadsOf(p.pid()).size();
            steady = now == seen ? steady + 1 : 0;
            seen = now;
            return now >= 4 && steady >= 10;
        }));
    }

    QTemporaryDir dir;
};

TEST_F(HoldBackTest, SlowingMovesEveryThreadIntoTheBandAndReleaseRestoresExactly) {
    Spawned a = worker(), b = worker();
    settle(a);
    settle(b);
    auto before = scheduling(a.pid());
    ProcessUsage app = row("A", {a.pid(), b.pid()});
    auto hold = executor();
    hold->apply({Change::holding(app, Hold::slowed)}, holding(app, Hold::slowed));
    for (pid_t pid : {a.pid(), b.pid()}) {
        for (pid_t tid : threadsOf(pid)) {
            EXPECT_TRUE(inBand(tid)) << tid;
            if (::geteuid() == 0) {
                EXPECT_EQ(LinuxBackgroundBand::cpuPolicy(tid), SCHED_IDLE) << tid;
            }
        }
        EXPECT_NE(stateOf(pid), 'T');
    }
    EXPECT_NE(hold->watchdog(), 0);
    hold->apply({Change::release(app.id)}, {});
    EXPECT_EQ(scheduling(a.pid()), before);
    EXPECT_TRUE(hold->slowed().empty());
    EXPECT_EQ(hold->watchdog(), 0);
}

TEST_F(HoldBackTest, PausingBeatsAndFollowsTheRow) {
    Spawned a = worker("busy"), helper = worker(), leaver = worker();
    settle(a);
    ProcessUsage app = row("A", {a.pid(), leaver.pid()});
    auto hold = executor();
    hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
    // A pause starts with a stopped phase (the signal lands once the process is scheduled).
    // Beside busy loops a phase of these short beats can end a second or more late.
    EXPECT_TRUE(hold->stopped());
    EXPECT_TRUE(waitFor(3, [&] { return stateOf(a.pid()) == 'T'; }));
    EXPECT_TRUE(waitFor(3, [&] { return stateOf(a.pid()) != 'T'; })) << "never let run";
    EXPECT_TRUE(waitFor(3, [&] { return stateOf(a.pid()) == 'T'; })) << "not stopped again";

    // A helper joins the row and one process leaves it.
    ProcessUsage changed = row("A", {a.pid(), helper.pid()});
    hold->apply({}, holding(changed, Hold::paused));
    EXPECT_NE(stateOf(leaver.pid()), 'T');
    EXPECT_FALSE(inBand(leaver.pid()));
    EXPECT_TRUE(waitFor(1, [&] { return stateOf(helper.pid()) == 'T'; }));
    EXPECT_EQ(hold->paused().at(app.id), (std::set<std::int32_t>{a.pid(), helper.pid()}));

    hold->apply({Change::release(app.id)}, {});
    for (pid_t pid : {a.pid(), helper.pid(), leaver.pid()}) {
        EXPECT_NE(stateOf(pid), 'T');
        EXPECT_FALSE(inBand(pid));
    }
    // Pausing again afterwards works (with a new watchdog, slower to start under the
    // sanitizers).
    hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
    EXPECT_TRUE(waitFor(3, [&] { return stateOf(a.pid()) == 'T'; }));
}

TEST_F(HoldBackTest, ProcessesStoppedOrLoweredBySomeoneElseAreNeverTakenOver) {
    Spawned stoppedBefore = worker(), stoppedDuring = worker(), lowered = worker();
    settle(lowered);
    ::kill(stoppedBefore.pid(), SIGSTOP);
    ASSERT_TRUE(waitFor(2, [&] { return stateOf(stoppedBefore.pid()) == 'T'; }));
    std::string idle = "ionice -c 3 -p " + std::to_string(lowered.pid());
    ASSERT_EQ(std::system(idle.c_str()), 0);

    ProcessUsage app = row("A", {stoppedBefore.pid(), stoppedDuring.pid(), lowered.pid()});
    auto hold = executor();
    hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
    EXPECT_EQ(hold->paused().at(app.id).count(stoppedBefore.pid()), 0u);
    EXPECT_EQ(hold->slowed().at(app.id).count(lowered.pid()), 0u);

    // Someone stops this one while it is let run: it is dropped at the next stopped phase.
    ASSERT_TRUE(waitFor(2, [&] { return stateOf(stoppedDuring.pid()) == 'T'; }));
    ASSERT_TRUE(waitFor(2, [&] { return stateOf(stoppedDuring.pid()) != 'T'; }));
    ::kill(stoppedDuring.pid(), SIGSTOP);
    ASSERT_TRUE(waitFor(4, [&] {
        auto paused = hold->paused();
        return paused.count(app.id) && paused.at(app.id).count(stoppedDuring.pid()) == 0;
    }));
    hold->apply({Change::release(app.id)}, {});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(stateOf(stoppedBefore.pid()), 'T');
    EXPECT_EQ(stateOf(stoppedDuring.pid()), 'T');
    EXPECT_TRUE(inBand(lowered.pid()));  // not restored: it was not ours
    ::kill(stoppedBefore.pid(), SIGCONT);
    ::kill(stoppedDuring.pid(), SIGCONT);
}

TEST_F(HoldBackTest, ATypedCommandIsNeverStopped) {
    Spawned shell(
        {"script", "-q", "-c", "bash --norc --noprofile -i -c 'sleep 60; :'", "/dev/null"});
    std::optional<pid_t> typed;
    ASSERT_TRUE(waitFor(5, [&] {
        for (pid_t pid : test::descendantsOf(shell.pid())) {
            if (test::commOf(pid) == "sleep") {
                typed = pid;
            }
        }
        return typed.has_value();
    }));
    Spawned other = worker();
    ProcessUsage app = row("Mixed", {*typed, other.pid()});
    auto hold = executor();
    hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
    EXPECT_TRUE(waitFor(1, [&] { return stateOf(other.pid()) == 'T'; }));
    for (int i = 0; i < 10; ++i) {
        EXPECT_NE(stateOf(*typed), 'T');
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// A thread's own idle policy weighs only inside its session's group: an app with a session of
// its own is lowered as a whole, against an app in any other session, and given back exactly.
TEST_F(HoldBackTest, AnAppAloneInItsSessionHasItsSessionGroupLoweredAndGivenBack) {
    Spawned a = worker(), b = worker();  // each in a session of its own
    // Each leads its session (and so its session's group) once its start has run so far.
    ASSERT_TRUE(
        waitFor(5, [&] { return ::getsid(a.pid()) == a.pid() && ::getsid(b.pid()) == b.pid(); }));
    if (!sessionsDecide(a.pid())) {
        GTEST_SKIP() << "autogroups do not decide the share of processors here";
    }
    ProcessUsage app = row("A", {a.pid(), b.pid()});
    auto hold = executor();
    EXPECT_TRUE(hold->apply({Change::holding(app, Hold::slowed)}, holding(app, Hold::slowed))
                    ->diskOnly.empty());  // a CPU band acts
    EXPECT_EQ(autogroupNice(a.pid()), 19);
    EXPECT_EQ(autogroupNice(b.pid()), 19);
    hold->apply({}, holding(app, Hold::slowed));
    EXPECT_EQ(autogroupNice(a.pid()), 19);
    hold->apply({Change::release(app.id)}, {});
    EXPECT_EQ(autogroupNice(a.pid()), 0);
    EXPECT_EQ(autogroupNice(b.pid()), 0);

    // Lowered by someone else: not ours to give back.
    ASSERT_TRUE(linux_os::SessionAutogroups().setNice(a.pid(), 5));
    ProcessUsage alone = row("A", {a.pid()});
    hold->apply({Change::holding(alone, Hold::slowed)}, holding(alone, Hold::slowed));
    hold->apply({Change::release(alone.id)}, {});
    EXPECT_EQ(autogroupNice(a.pid()), 5);
}

TEST_F(HoldBackTest, ASessionGroupSharedWithAnotherProcessIsLeftAlone) {
    // A shell's session: the shell stays in front of the app it started in the background.
    Spawned shell({"sh", "-c", std::string(TALLYVANE_TEST_WORKER) + " 3 sleep & exec sleep 600"});
    pid_t app = 0;
    ASSERT_TRUE(waitFor(5, [&] {
        for (pid_t pid : test::descendantsOf(shell.pid())) {
            if (pid != shell.pid() && test::commOf(pid) != "sh") {
                app = pid;
            }
        }
        return app != 0 && test::commOf(shell.pid()) == "sleep";
    }));
    if (!sessionsDecide(app)) {
        GTEST_SKIP() << "autogroups do not decide the share of processors here";
    }
    ProcessUsage held = row("A", {app});
    auto hold = executor();
    std::set<std::string> diskOnly =
        hold->apply({Change::holding(held, Hold::slowed)}, holding(held, Hold::slowed))->diskOnly;
    EXPECT_EQ(autogroupNice(app), 0);
    EXPECT_EQ(autogroupNice(shell.pid()), 0);
    // Only a thread's own idle policy is left, where it may be undone.
    EXPECT_EQ(diskOnly.empty(), LinuxBackgroundBand().slowsThreadsCpu());
    hold->apply({Change::release(held.id)}, {});
}

TEST_F(HoldBackTest, AnUnchangedApplyTouchesNothing) {
    Spawned a = worker();
    ProcessUsage app = row("A", {a.pid()});
    auto hold = executor();
    hold->apply({Change::holding(app, Hold::slowed)}, holding(app, Hold::slowed));
    std::int32_t watchdog = hold->watchdog();
    hold->apply({}, holding(app, Hold::slowed));
    EXPECT_EQ(hold->watchdog(), watchdog);
}

// TallyVane (a real process running the executor) holds a process, then dies.
class WatchdogTest : public HoldBackTest, public testing::WithParamInterface<bool> {};

TEST_P(WatchdogTest, UndoesEverythingWithinASecondAndAHalfOfTallyVanesDeath) {
    const bool interrupt = GetParam();  // Ctrl-C in its terminal, else SIGKILL
    Spawned paused = worker();
    settle(paused);
    auto before = scheduling(paused.pid());
    std::string report = dir.filePath("report").toStdString();
    Spawned owner({TALLYVANE_TEST_HOLDER, report, "pause", "0", std::to_string(paused.pid())});
    ASSERT_TRUE(waitFor(10, [&] { return std::filesystem::exists(report); }));
    ASSERT_TRUE(waitFor(1, [&] { return stateOf(paused.pid()) == 'T'; }));
    ASSERT_TRUE(inBand(paused.pid()));
    const bool bySession = linux_os::SessionAutogroups().decides(paused.pid());
    if (bySession) {
        EXPECT_EQ(autogroupNice(paused.pid()), 19);
    }
    std::optional<pid_t> watchdog;
    for (pid_t pid : test::descendantsOf(owner.pid())) {
        if (pid != owner.pid()) {
            watchdog = pid;
        }
    }
    ASSERT_TRUE(watchdog.has_value());
    EXPECT_NE(::getsid(*watchdog), ::getsid(owner.pid()));  // out of reach of the terminal

    auto killed = std::chrono::steady_clock::now();
    ::kill(interrupt ? -owner.pid() : owner.pid(), interrupt ? SIGINT : SIGKILL);
    ::waitpid(owner.pid(), nullptr, 0);  // as TallyVane's own parent would
    ASSERT_TRUE(waitFor(3, [&] {
        return stateOf(paused.pid()) != 'T' && scheduling(paused.pid()) == before &&
               (!bySession || autogroupNice(paused.pid()) == 0);
    }));
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - killed).count();
    EXPECT_LT(took, 1.5);
    RecordProperty("undone_after_seconds", std::to_string(took));
}

INSTANTIATE_TEST_SUITE_P(KilledOrInterrupted, WatchdogTest, testing::Bool());

// Run as an ordinary user, the band changes only what that user may change back.
TEST_F(HoldBackTest, AnUnprivilegedUserSlowsAndRestoresExactly) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to create the throw-away user";
    }
    const std::string user = "tallyvane-test";
    if (std::system(("id -u " + user +
                     " >/dev/null 2>&1 || useradd --system --no-create-home "
                     "--shell /usr/sbin/nologin " +
                     user + " >/dev/null 2>&1")
                        .c_str()) != 0) {
        GTEST_SKIP() << "cannot create the throw-away user";
    }
    std::string uid = test::outputOf("id -u " + user), gid = test::outputOf("id -g " + user);
    std::filesystem::permissions(dir.path().toStdString(), std::filesystem::perms::all);
    auto asUser = [&](std::vector<std::string> argv) {
        std::vector<std::string> full{"setpriv", "--reuid=" + uid, "--regid=" + gid,
                                      "--clear-groups", "--"};
        full.insert(full.end(), argv.begin(), argv.end());
        return full;
    };
    Spawned app(asUser({TALLYVANE_TEST_WORKER, "3", "sleep"}));
    ASSERT_TRUE(waitFor(5, [&] {
        return threadsOf(app.pid()).size() >= 4 && test::commOf(app.pid()) != "setpriv";
    }));
    auto before = scheduling(app.pid());
    std::string report = dir.filePath("report").toStdString();
    Spawned holder(
        asUser({TALLYVANE_TEST_HOLDER, report, "slow", "1500", std::to_string(app.pid())}));
    auto says = [&](const std::string& word) {
        return test::textOf(report).find(word) != std::string::npos;
    };
    const bool bySession = sessionsDecide(app.pid());
    ASSERT_TRUE(waitFor(10, [&] { return says("held"); }));
    for (pid_t tid : threadsOf(app.pid())) {
        EXPECT_TRUE(inBand(tid)) << tid;
        EXPECT_EQ(LinuxBackgroundBand::cpuPolicy(tid), before[tid].second) << tid;
    }
    if (bySession) {
        // Its session is its own: the CPU band by session is one the user may give back.
        EXPECT_EQ(autogroupNice(app.pid()), 19);
        EXPECT_FALSE(says("disk-only"));
    }
    ASSERT_TRUE(waitFor(10, [&] { return says("released"); }));
    EXPECT_EQ(scheduling(app.pid()), before);
    if (bySession) {
        EXPECT_EQ(autogroupNice(app.pid()), 0);
    }

    // Sharing its session with the shell that started it, and without the right to undo a
    // thread's idle policy or a service manager to ask, no CPU band can act: that is said.
    if (!bySession) {
        return;
    }
    Spawned shell(
        asUser({"sh", "-c", std::string(TALLYVANE_TEST_WORKER) + " 3 sleep & exec sleep 600"}));
    pid_t shared = 0;
    ASSERT_TRUE(waitFor(5, [&] {
        for (pid_t pid : test::descendantsOf(shell.pid())) {
            if (pid != shell.pid() && test::commOf(pid) != "sh") {
                shared = pid;
            }
        }
        return shared != 0 && test::commOf(shell.pid()) == "sleep";
    }));
    Spawned second(asUser({TALLYVANE_TEST_HOLDER, report, "slow", "1500", std::to_string(shared)}));
    ASSERT_TRUE(waitFor(10, [&] { return says("held"); }));
    EXPECT_TRUE(says("disk-only"));
    EXPECT_EQ(autogroupNice(shared), 0);
    EXPECT_TRUE(inBand(shared));
    ASSERT_TRUE(waitFor(10, [&] { return says("released"); }));
}

TEST_F(HoldBackTest, DestroyingTheExecutorLetsEverythingGo) {
    Spawned a = worker();
    ProcessUsage app = row("A", {a.pid()});
    {
        auto hold = executor();
        hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
        EXPECT_TRUE(waitFor(1, [&] { return stateOf(a.pid()) == 'T'; }));
    }
    EXPECT_NE(stateOf(a.pid()), 'T');
    EXPECT_FALSE(inBand(a.pid()));
    EXPECT_TRUE(QDir(QString::fromStdString(journalFolder())).entryList(QDir::Files).isEmpty());
}

// Records the order in which watchdogs are started and ended.
class RecordingLauncher : public WatchdogLauncher {
  public:
    explicit RecordingLauncher(std::vector<std::string>* log) : log_(log) {}
    std::int32_t start(const std::vector<std::string>& arguments) override {
        std::int32_t pid = real_.start(arguments);
        log_->push_back("start " + std::to_string(pid));
        return pid;
    }
    void end(std::int32_t pid) override {
        log_->push_back("end " + std::to_string(pid));
        real_.end(pid);
    }
    Health health(std::int32_t pid) override { return real_.health(pid); }

  private:
    linux_os::LinuxWatchdogLauncher real_{TALLYVANE_TEST_HOLDER};
    std::vector<std::string>* log_;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(HoldBackTest, AStoppedWatchdogIsReplacedFirstAndThenEndedWithoutWaiting) {
    Spawned a = worker();
    ProcessUsage app = row("A", {a.pid()});
    std::vector<std::string> log;
    auto hold = executor(std::make_unique<linux_os::LinuxProcessControl>(),
                         std::make_unique<RecordingLauncher>(&log));
    hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
    const pid_t first = hold->watchdog();
    ASSERT_NE(first, 0);
    ::kill(first, SIGSTOP);
    ASSERT_TRUE(waitFor(2, [&] { return stateOf(first) == 'T'; }));

    auto start = std::chrono::steady_clock::now();
    hold->apply({}, holding(app, Hold::paused));
    EXPECT_LT(secondsSince(start), 0.5);
    const pid_t second = hold->watchdog();
    EXPECT_NE(second, first);
    EXPECT_EQ(log, (std::vector<std::string>{"start " + std::to_string(first),
                                             "start " + std::to_string(second),
                                             "end " + std::to_string(first)}));
    EXPECT_TRUE(waitFor(2, [&] {
        char state = stateOf(first);
        return state == '?' || state == 'Z';
    }));
    start = std::chrono::steady_clock::now();
    hold->apply({Change::release(app.id)}, {});
    EXPECT_LT(secondsSince(start), 0.5);
    EXPECT_NE(stateOf(a.pid()), 'T');
}

// Stops take as long as the test says, as if the executor's thread were stuck.
class SlowControl : public linux_os::LinuxProcessControl {
  public:
    bool stop(std::int32_t pid, std::uint64_t started) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        return LinuxProcessControl::stop(pid, started);
    }
};

TEST_F(HoldBackTest, AStuckExecutorHoldsUpItsCallerNoLongerThanItsBound) {
    Spawned a = worker();
    ProcessUsage app = row("A", {a.pid()});
    auto hold = executor(std::make_unique<SlowControl>());
    auto start = std::chrono::steady_clock::now();
    hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
    EXPECT_LT(secondsSince(start), HoldBack::longestWait.count() / 1000.0 + 0.2);
    // The change is still carried out once the executor gets to it.
    EXPECT_TRUE(waitFor(3, [&] { return stateOf(a.pid()) == 'T'; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

TEST_F(HoldBackTest, ATallyVaneStoppedForLongHasItsHoldsLetGo) {
    Spawned paused = worker();
    settle(paused);
    auto before = scheduling(paused.pid());
    auto holder = owner(paused.pid());
    ::kill(holder->pid(), SIGSTOP);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(waitFor(
        6, [&] { return stateOf(paused.pid()) != 'T' && scheduling(paused.pid()) == before; }));
    RecordProperty("let_go_after_stopped_seconds", std::to_string(secondsSince(start)));
    // Once it runs again it does not take the process back by itself (its next apply would).
    ::kill(holder->pid(), SIGCONT);
    for (int i = 0; i < 15; ++i) {
        EXPECT_NE(stateOf(paused.pid()), 'T');
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

TEST_F(HoldBackTest, AProcessSomeoneElseStoppedWhileItRanIsNotContinuedAfterACrash) {
    Spawned paused = worker();
    auto holder = owner(paused.pid());
    ASSERT_TRUE(waitFor(6, [&] { return stateOf(paused.pid()) != 'T'; }));  // let run
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::kill(paused.pid(), SIGSTOP);  // by the user
    ::kill(holder->pid(), SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    EXPECT_EQ(stateOf(paused.pid()), 'T');
}

TEST_F(HoldBackTest, StopsWithJobControlSideEffectsAreNotMade) {
    Spawned plain = worker();
    // A child in a process group of its own whose parent sits in the same session: the group
    // would be hung up if orphaned while stopped.
    Spawned parent({"/usr/bin/python3", "-c",
                    "import os, sys, time\n"
                    "if os.fork() == 0:\n"
                    "    os.setpgid(0, 0)\n"
                    "    os.execv(sys.argv[1], [sys.argv[1], '1', 'sleep'])\n"
                    "time.sleep(600)\n",
                    TALLYVANE_TEST_WORKER});
    std::vector<pid_t> children;
    ASSERT_TRUE(waitFor(5, [&] {
        children = test::descendantsOf(parent.pid());
        return !children.empty() && test::commOf(children.front()) != "python3";
    }));
    std::vector<std::int32_t> pids{plain.pid(), children.front()};
    std::unique_ptr<Spawned> wrapper;
    if (::geteuid() == 0) {  // a child of a user-switching wrapper
        wrapper = std::make_unique<Spawned>(std::vector<std::string>{
            "runuser", "-u", "root", "--", TALLYVANE_TEST_WORKER, "1", "sleep"});
        std::vector<pid_t> below;
        ASSERT_TRUE(waitFor(5, [&] {
            below = test::descendantsOf(wrapper->pid());
            return !below.empty() && test::commOf(below.front()) != "runuser";
        }));
        pids.push_back(below.front());
    }
    ProcessUsage app = row("A", pids);
    auto hold = executor();
    hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
    EXPECT_TRUE(waitFor(1, [&] { return stateOf(plain.pid()) == 'T'; }));
    EXPECT_EQ(hold->paused().at(app.id), std::set<std::int32_t>{plain.pid()});
    for (std::size_t i = 1; i < pids.size(); ++i) {
        EXPECT_NE(stateOf(pids[i]), 'T') << pids[i];
    }
}

// Nothing is left behind once nothing is held: no watchdog, and no zombie of one.
TEST_F(HoldBackTest, TheWatchdogEndsAndIsReapedOnceTheLastHeldProcessIsGone) {
    auto hold = executor();
    auto paused = std::make_unique<Spawned>(std::vector<std::string>{TALLYVANE_TEST_WORKER, "1"});
    ProcessUsage app = row("A", {paused->pid()});
    hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
    pid_t dog = hold->watchdog();
    ASSERT_NE(dog, 0);
    paused.reset();  // it ends; the beat finds it gone, with no apply to say so
    EXPECT_TRUE(waitFor(2, [&] { return hold->watchdog() == 0; }));
    EXPECT_TRUE(waitFor(1, [&] { return test::processState(dog) == 0; }))
        << "state " << test::processState(dog);

    auto slowed = std::make_unique<Spawned>(std::vector<std::string>{TALLYVANE_TEST_WORKER, "1"});
    app = row("A", {slowed->pid()});
    hold->apply({Change::holding(app, Hold::slowed)}, holding(app, Hold::slowed));
    dog = hold->watchdog();
    ASSERT_NE(dog, 0);
    slowed.reset();
    hold->apply({Change::release(app.id)}, {});  // gone from the list: let go
    EXPECT_EQ(hold->watchdog(), 0);
    EXPECT_TRUE(waitFor(1, [&] { return test::processState(dog) == 0; }))
        << "state " << test::processState(dog);
}

// A pid that the held process had and a later process reuses (made with ns_last_pid).
TEST_F(HoldBackTest, APidReusedByAnotherProcessIsNeverContinued) {
    auto victim = std::make_unique<Spawned>(std::vector<std::string>{TALLYVANE_TEST_WORKER, "1"});
    const pid_t pid = victim->pid();
    ProcessUsage app = row("A", {pid});
    auto hold = executor();
    hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
    ASSERT_TRUE(waitFor(1, [&] { return stateOf(pid) == 'T'; }));
    victim.reset();
    // Start times count in clock ticks: the later process starts at least a tick afterwards.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    auto later = test::spawnWithPid(pid, {TALLYVANE_TEST_WORKER, "1"});
    if (!later) {
        GTEST_SKIP() << "cannot choose the next pid here (needs root)";
    }
    ::kill(pid, SIGSTOP);  // stopped by someone else
    ASSERT_TRUE(waitFor(2, [&] { return stateOf(pid) == 'T'; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // beats come and go
    hold->apply({Change::release(app.id)}, {});
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(stateOf(pid), 'T');
}

TEST_F(HoldBackTest, WithoutAPrivateFolderForTheJournalNothingIsHeld) {
    Spawned a = worker();
    settle(a);
    ProcessUsage app = row("A", {a.pid()});
    ASSERT_TRUE(std::filesystem::create_directory(journalFolder()));
    std::filesystem::permissions(journalFolder(), std::filesystem::perms::all);  // 0777
    auto hold = executor();
    hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_NE(stateOf(a.pid()), 'T');
    EXPECT_FALSE(inBand(a.pid()));
    EXPECT_TRUE(hold->paused().empty());
    EXPECT_EQ(hold->watchdog(), 0);
}

// A cgroup v2 group of the test's own on the machine's unified hierarchy, holding `pids`.
class OwnGroup {
  public:
    OwnGroup(const std::string& unified, const std::vector<pid_t>& pids,
             std::string name = "/tv-h2-test-" + std::to_string(::getpid()))
        : unified_(unified), name_(std::move(name)) {
        std::filesystem::create_directories(unified_ + name_);
        for (pid_t pid : pids) {
            std::ofstream(unified_ + name_ + "/cgroup.procs") << pid << std::flush;
        }
    }
    ~OwnGroup() {
        std::ofstream(unified_ + name_ + "/cgroup.freeze") << "0" << std::flush;
        std::ifstream in(unified_ + name_ + "/cgroup.procs");
        for (pid_t pid; in >> pid;) {
            std::ofstream(unified_ + "/cgroup.procs") << pid << std::flush;
        }
        // The group and every folder above it that it was made in.
        for (std::string at = name_; at.size() > 1; at = at.substr(0, at.rfind('/'))) {
            ::rmdir((unified_ + at).c_str());
        }
    }
    const std::string& name() const { return name_; }
    bool frozen() const {
        return test::textOf(unified_ + name_ + "/cgroup.events").find("frozen 1") !=
               std::string::npos;
    }

  private:
    std::string unified_, name_;
};

TEST_F(HoldBackTest, AnAppInAGroupOfItsOwnIsFrozenInBeatsAndThawedByTheWatchdog) {
    const std::string unified = linux_os::LinuxProcessControl().unifiedRoot();
    if (::geteuid() != 0 || unified.empty()) {
        GTEST_SKIP() << "needs root and a cgroup v2 hierarchy";
    }
    Spawned a = worker("busy");
    OwnGroup group(unified, {a.pid()});
    if (linux_os::LinuxProcessControl().groupOf(a.pid()) != group.name()) {
        GTEST_SKIP() << "cannot make a cgroup v2 group with a freezer here";
    }
    ProcessUsage app = row("A", {a.pid()});
    {
        auto hold = executor();
        hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
        EXPECT_EQ(hold->frozen(), (std::map<std::string, std::string>{{app.id, group.name()}}));
        EXPECT_TRUE(hold->paused().empty());
        // Beside busy loops a phase of these short beats can end a second or more late.
        EXPECT_TRUE(waitFor(3, [&] { return group.frozen(); }));
        EXPECT_TRUE(waitFor(3, [&] { return !group.frozen(); })) << "never let run";
        EXPECT_TRUE(waitFor(3, [&] { return group.frozen(); })) << "not frozen again";
        EXPECT_NE(stateOf(a.pid()), 'T');
        hold->apply({Change::release(app.id)}, {});
        EXPECT_FALSE(group.frozen());
    }
    auto holder = std::make_unique<Spawned>(
        std::vector<std::string>{TALLYVANE_TEST_HOLDER, dir.filePath("report").toStdString(),
                                 "pause", "0", std::to_string(a.pid())});
    ASSERT_TRUE(waitFor(10, [&] { return group.frozen(); }));
    ::kill(holder->pid(), SIGKILL);
    EXPECT_TRUE(waitFor(1.5, [&] { return !group.frozen(); }));
}

// An app in its own scope of the user's service manager: the manager is asked for the idle CPU
// weight, and the previous weight comes back on release and from the watchdog.
TEST_F(HoldBackTest, AnAppsOwnUnitGetsTheIdleWeightBackOnReleaseAndFromTheWatchdog) {
    const std::string unified = linux_os::LinuxProcessControl().unifiedRoot();
    if (::geteuid() != 0 || unified.empty()) {
        GTEST_SKIP() << "needs root and a cgroup v2 hierarchy";
    }
    test::DesktopRig rig({});
    ASSERT_TRUE(rig.started());
    Spawned a = worker("busy");
    const std::string unit = "app-tvtest-" + std::to_string(a.pid()) + ".scope";
    OwnGroup group(
        unified, {a.pid()},
        "/tv-h21-test-" + std::to_string(::getpid()) + ".slice/user@0.service/app.slice/" + unit);
    if (linux_os::LinuxProcessControl().groupOf(a.pid()) != group.name()) {
        GTEST_SKIP() << "cannot make a cgroup v2 group with a freezer here";
    }
    const std::string state = dir.filePath("manager").toStdString();
    Spawned manager(
        {TALLYVANE_FAKE_USER_MANAGER, rig.env("DBUS_SESSION_BUS_ADDRESS"), state, unit + "=100"});
    auto weight = [&] {
        std::ifstream in(state);
        std::string name;
        long long value = -1;
        in >> name >> value;
        return value;
    };
    ASSERT_TRUE(waitFor(10, [&] { return weight() == 100; }));
    const char* before = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string saved = before ? before : "";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", rig.env("DBUS_SESSION_BUS_ADDRESS").c_str(), 1);
    ProcessUsage app = row("A", {a.pid()});
    {
        auto hold = executor();
        hold->apply({Change::holding(app, Hold::slowed)}, holding(app, Hold::slowed));
        EXPECT_EQ(weight(), 0);
        hold->apply({Change::release(app.id)}, {});
        EXPECT_EQ(weight(), 100);
    }
    auto holder = std::make_unique<Spawned>(
        std::vector<std::string>{TALLYVANE_TEST_HOLDER, dir.filePath("report").toStdString(),
                                 "slow", "0", std::to_string(a.pid())});
    before ? ::setenv("DBUS_SESSION_BUS_ADDRESS", saved.c_str(), 1)
           : ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ASSERT_TRUE(waitFor(10, [&] { return weight() == 0; }));
    ::kill(holder->pid(), SIGKILL);
    EXPECT_TRUE(waitFor(5, [&] { return weight() == 100; }));
}

}  // namespace
}  // namespace tv
