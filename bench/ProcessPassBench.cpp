// Figures for one pass of the process reader over a machine with 500 extra processes, in CPU
// time per process, beside what `ps` spends listing the same table.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/linux/proc/LinuxProcessSource.h"
#include "readers/ProcessReader.h"

namespace {

double processCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double cpuSeconds(int who) {
    rusage use{};
    ::getrusage(who, &use);
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

pid_t spawn(const std::vector<const char*>& argv, bool quiet) {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (quiet) {
            std::freopen("/dev/null", "w", stdout);
        }
        ::execvp(argv[0], const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    int extra = argc > 1 ? std::atoi(argv[1]) : 500;
    int passes = 50;
    std::vector<pid_t> sleepers;
    for (int i = 0; i < extra; ++i) {
        sleepers.push_back(spawn({"sleep", "600", nullptr}, false));
    }
    ::usleep(500'000);

    tv::ProcessReader reader(std::make_unique<tv::linux_os::LinuxProcessSource>());
    double firstStart = processCpuSeconds();
    reader.read();  // first meeting: identities are worked out here
    double firstPass = processCpuSeconds() - firstStart;
    reader.read();
    // Several rounds; the quietest tells most about the code (the machine is shared).
    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        double start = processCpuSeconds();
        for (int i = 0; i < passes; ++i) {
            reader.read();
        }
        rounds.push_back((processCpuSeconds() - start) / passes);
    }
    std::sort(rounds.begin(), rounds.end());
    double perPass = rounds[rounds.size() / 2];

    tv::linux_os::LinuxProcessSource counter;
    std::size_t processes = counter.pids().size();

    int psRuns = 10;
    double psStart = cpuSeconds(RUSAGE_CHILDREN);
    for (int i = 0; i < psRuns; ++i) {
        pid_t ps = spawn({"ps", "-eo", "pid,ppid,pgid,stat,rss,time,args", nullptr}, true);
        ::waitpid(ps, nullptr, 0);
    }
    double psPerRun = (cpuSeconds(RUSAGE_CHILDREN) - psStart) / psRuns;

    std::printf("processes on the machine: %zu\n", processes);
    std::printf("first pass (every identity worked out): %.0f us CPU\n", firstPass * 1e6);
    std::printf("steady pass (median of 7 x %d): %.0f us CPU, %.2f us per process (best %.2f)\n",
                passes, perPass * 1e6, perPass * 1e6 / static_cast<double>(processes),
                rounds.front() * 1e6 / static_cast<double>(processes));
    std::printf("ps -eo pid,ppid,pgid,stat,rss,time,args: %.0f us CPU, %.2f us per process\n",
                psPerRun * 1e6, psPerRun * 1e6 / static_cast<double>(processes));
    std::printf("ratio ps / pass: %.1f\n", psPerRun / perPass);

    for (pid_t pid : sleepers) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return 0;
}
