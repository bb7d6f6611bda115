// Figures for the executor: how punctual the 4 s / 1 s beat is, seen from outside, what
// `apply` costs for an app of 50 processes, and how soon the watchdog undoes a pause after
// its owner is killed.
//   tallyvane_beat_bench [seconds of beats, default 60]
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "makeway/HoldBack.h"
#include "makeway/Watchdog.h"
#include "platform/linux/holdback/LinuxBackgroundBand.h"
#include "platform/linux/holdback/LinuxPrivateFolder.h"
#include "platform/linux/holdback/LinuxProcessControl.h"

namespace {

double now() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double cpuNow() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

char stateOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::ostringstream read;
    read << in.rdbuf();  // stops, without throwing, where a read fails (the process ended)
    std::string text = read.str();
    std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

pid_t spawnSleeper() {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::execlp("sleep", "sleep", "600", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

std::unique_ptr<tv::HoldBack> executor(const QString& folder) {
    return std::make_unique<tv::HoldBack>(
        static_cast<std::int32_t>(::getpid()), 4.0, 1.0,
        tv::HoldBack::Parts{
            std::make_unique<tv::linux_os::LinuxProcessControl>(),
            std::make_unique<tv::linux_os::LinuxBackgroundBand>(),
            std::make_unique<tv::linux_os::LinuxWatchdogLauncher>(),
            std::make_unique<tv::linux_os::LinuxPrivateFolder>(folder.toStdString() + "/journal")});
}

void report(const char* what, std::vector<double> deviations) {
    if (deviations.empty()) {
        std::printf("%s: no phases seen\n", what);
        return;
    }
    double sum = 0, worst = 0;
    for (double d : deviations) {
        sum += d;
        worst = std::max(worst, std::fabs(d));
    }
    std::printf("%s: %zu phases, mean deviation %+.1f ms, worst %.1f ms\n", what, deviations.size(),
                sum / static_cast<double>(deviations.size()) * 1000, worst * 1000);
}

}  // namespace

// The owner the watchdog figure kills: "--own <folder> <pid>" pauses the process and runs.
int own(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tv::ProcessUsage row;
    row.id = "app:/bench.desktop";
    row.pids = {std::atoi(argv[3])};
    auto hold = executor(QString::fromLocal8Bit(argv[2]));
    hold->apply({tv::Change::holding(row, tv::Hold::paused)}, {{row.id, {row, tv::Hold::paused}}});
    return QCoreApplication::exec();
}

// Seconds from killing the owner until the paused process runs again, over `rounds` owners.
void watchdogFigure(const QString& folder, int rounds) {
    std::vector<double> took;
    for (int i = 0; i < rounds; ++i) {
        pid_t target = spawnSleeper();
        std::string pid = std::to_string(target), where = folder.toStdString();
        pid_t owner = ::fork();
        if (owner == 0) {
            ::execl("/proc/self/exe", "tallyvane_beat_bench", "--own", where.c_str(), pid.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        double deadline = now() + 10;
        while (stateOf(target) != 'T' && now() < deadline) {
            ::usleep(1000);
        }
        ::usleep(200'000);
        double killed = now();
        ::kill(owner, SIGKILL);
        ::waitpid(owner, nullptr, 0);
        while (stateOf(target) == 'T' && now() < killed + 10) {
            ::usleep(1000);
        }
        took.push_back(now() - killed);
        ::kill(target, SIGKILL);
        ::waitpid(target, nullptr, 0);
    }
    double worst = *std::max_element(took.begin(), took.end()), sum = 0;
    for (double t : took) {
        sum += t;
    }
    std::printf("watchdog undo after the owner's death: %zu rounds, mean %.0f ms, worst %.0f ms\n",
                took.size(), sum / static_cast<double>(took.size()) * 1000, worst * 1000);
}

int main(int argc, char** argv) {
    if (tv::Watchdog::called(argc, argv)) {  // this program is its executor's watchdog too
        return tv::Watchdog::run(argc, argv);
    }
    if (argc == 4 && std::string(argv[1]) == "--own") {
        return own(argc, argv);
    }
    QCoreApplication app(argc, argv);
    double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    QTemporaryDir dir;
    watchdogFigure(dir.path(), 5);

    // Beats, watched from outside every millisecond.
    pid_t target = spawnSleeper();
    tv::ProcessUsage row;
    row.id = "app:/bench.desktop";
    row.pids = {target};
    row.count = 1;
    auto hold = executor(dir.path());
    hold->apply({tv::Change::holding(row, tv::Hold::paused)}, {{row.id, {row, tv::Hold::paused}}});
    std::vector<double> stopped, running;
    char last = 'T';
    double since = now(), end = since + seconds;
    while (stateOf(target) != 'T' && now() < since + 1) {  // the first stop lands
        ::usleep(100);
    }
    while (now() < end) {
        char state = stateOf(target);
        bool isStopped = state == 'T', wasStopped = last == 'T';
        if (isStopped != wasStopped) {
            double t = now();
            (wasStopped ? stopped : running).push_back(t - since - (wasStopped ? 4.0 : 1.0));
            since = t;
            last = state;
        }
        ::usleep(1000);
    }
    hold->apply({tv::Change::release(row.id)}, {});
    ::kill(target, SIGKILL);
    ::waitpid(target, nullptr, 0);
    report("stopped phase (4 s)", stopped);
    report("running phase (1 s)", running);

    // apply for an app of 50 processes: pausing it and letting it go.
    std::vector<pid_t> many;
    tv::ProcessUsage big;
    big.id = "app:/big.desktop";
    for (int i = 0; i < 50; ++i) {
        many.push_back(spawnSleeper());
        big.pids.push_back(many.back());
    }
    big.count = 50;
    ::usleep(300'000);
    double holdWall = 0, holdCpu = 0, releaseWall = 0, releaseCpu = 0;
    const int rounds = 10;
    for (int i = 0; i < rounds; ++i) {
        double w = now(), c = cpuNow();
        hold->apply({tv::Change::holding(big, tv::Hold::paused)},
                    {{big.id, {big, tv::Hold::paused}}});
        holdWall += now() - w;
        holdCpu += cpuNow() - c;
        w = now();
        c = cpuNow();
        hold->apply({tv::Change::release(big.id)}, {});
        releaseWall += now() - w;
        releaseCpu += cpuNow() - c;
    }
    std::printf("apply, pausing 50 processes: %.2f ms wall, %.2f ms CPU\n", holdWall / rounds * 1e3,
                holdCpu / rounds * 1e3);
    std::printf("apply, letting 50 processes go: %.2f ms wall, %.2f ms CPU\n",
                releaseWall / rounds * 1e3, releaseCpu / rounds * 1e3);
    for (pid_t pid : many) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return 0;
}
