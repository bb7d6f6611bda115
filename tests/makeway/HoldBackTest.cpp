#include "makeway/HoldBack.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

#include "core/ProcessNaming.h"
#include "makeway/UndoFile.h"
#include "platform/linux/LinuxBackgroundBand.h"
#include "platform/linux/LinuxProcessControl.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using linux_os::LinuxBackgroundBand;
using test::Spawned;
using test::waitFor;

char stateOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
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

class HoldBackTest : public testing::Test {
  protected:
    std::unique_ptr<HoldBack> executor(pid_t owner = ::getpid()) {
        return std::make_unique<HoldBack>(
            owner, 0.2, 0.1,
            HoldBack::Parts{std::make_unique<linux_os::LinuxProcessControl>(),
                            std::make_unique<LinuxBackgroundBand>(),
                            std::make_unique<linux_os::LinuxWatchdogLauncher>(), dir.path()});
    }
    static ProcessUsage row(const std::string& name, std::vector<std::int32_t> pids) {
        ProcessUsage r;
        r.id = "app:/" + name + ".desktop";
        r.appPath = "/" + name + ".desktop";
        r.name = name;
        r.pids = std::move(pids);
        r.count = static_cast<int>(r.pids.size());
        return r;
    }
    static std::map<std::string, Held> holding(const ProcessUsage& app, Hold how) {
        return {{app.id, Held{app, how}}};
    }
    static Spawned worker(const char* mode = "sleep") {
        return Spawned({TALLYVANE_TEST_WORKER, "3", mode});
    }
    static void settle(const Spawned& p) {
        ASSERT_TRUE(waitFor(5, [&] { return threadsOf(p.pid()).size() >= 4; }));
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
    EXPECT_TRUE(hold->stopped());
    EXPECT_TRUE(waitFor(1, [&] { return stateOf(a.pid()) == 'T'; }));
    EXPECT_TRUE(waitFor(1, [&] { return stateOf(a.pid()) != 'T'; })) << "never let run";
    EXPECT_TRUE(waitFor(1, [&] { return stateOf(a.pid()) == 'T'; })) << "not stopped again";

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
    // Pausing again afterwards works.
    hold->apply({Change::holding(app, Hold::paused)}, holding(app, Hold::paused));
    EXPECT_TRUE(waitFor(1, [&] { return stateOf(a.pid()) == 'T'; }));
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
    ASSERT_TRUE(waitFor(2, [&] { return stateOf(stoppedDuring.pid()) != 'T'; }));
    ::kill(stoppedDuring.pid(), SIGSTOP);
    ASSERT_TRUE(waitFor(2, [&] {
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
    std::optional<pid_t> watchdog;
    for (pid_t pid : test::descendantsOf(owner.pid())) {
        if (test::commOf(pid) == "sh") {
            watchdog = pid;
        }
    }
    ASSERT_TRUE(watchdog.has_value());
    EXPECT_NE(::getsid(*watchdog), ::getsid(owner.pid()));  // out of reach of the terminal

    auto killed = std::chrono::steady_clock::now();
    ::kill(interrupt ? -owner.pid() : owner.pid(), interrupt ? SIGINT : SIGKILL);
    ::waitpid(owner.pid(), nullptr, 0);  // as TallyVane's own parent would
    ASSERT_TRUE(waitFor(
        3, [&] { return stateOf(paused.pid()) != 'T' && scheduling(paused.pid()) == before; }));
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
        std::ifstream in(report);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        return text.find(word) != std::string::npos;
    };
    ASSERT_TRUE(waitFor(10, [&] { return says("held"); }));
    for (pid_t tid : threadsOf(app.pid())) {
        EXPECT_TRUE(inBand(tid)) << tid;
        EXPECT_EQ(LinuxBackgroundBand::cpuPolicy(tid), before[tid].second) << tid;
    }
    ASSERT_TRUE(waitFor(10, [&] { return says("released"); }));
    EXPECT_EQ(scheduling(app.pid()), before);
}

TEST_F(HoldBackTest, LeftoverUndoListsOfDeadTallyVanesAreReplayed) {
    Spawned stopped = worker();
    ::kill(stopped.pid(), SIGSTOP);
    ASSERT_TRUE(waitFor(2, [&] { return stateOf(stopped.pid()) == 'T'; }));
    Spawned alive({"sleep", "600"});
    UndoFile dead(dir.path(), 0x7FFFFFF0), living(dir.path(), alive.pid());
    dead.write("kill -CONT " + std::to_string(stopped.pid()) + " 2>/dev/null; ");
    living.write("kill -CONT 1 2>/dev/null; ");
    linux_os::LinuxProcessControl control;
    int replayed = UndoFile::replayLeftovers(dir.path(), ::getpid(),
                                             [&](std::int32_t pid) { return control.exists(pid); });
    EXPECT_EQ(replayed, 1);
    EXPECT_TRUE(waitFor(2, [&] { return stateOf(stopped.pid()) != 'T'; }));
    EXPECT_FALSE(std::filesystem::exists(dead.path().toStdString()));
    EXPECT_TRUE(std::filesystem::exists(living.path().toStdString()));
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
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

}  // namespace
}  // namespace tv
