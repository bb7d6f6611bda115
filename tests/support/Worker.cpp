// A stand-in for an app's process in the executor's tests: it runs a number of threads that
// sleep (or spin with "busy") until it is killed, holding as much memory as it is told. Told
// SIGUSR1, busy threads go quiet, as an app does that its hold starves of the processor.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    int threads = argc > 1 ? std::atoi(argv[1]) : 3;
    bool busy = argc > 2 && std::strcmp(argv[2], "busy") == 0;
    // An optional third argument: MiB of memory to take and keep touched.
    std::size_t mib = argc > 3 ? static_cast<std::size_t>(std::atoi(argv[3])) : 0;
    std::vector<char> memory(mib << 20);
    for (std::size_t i = 0; i < memory.size(); i += 4096) {
        memory[i] = 1;
    }
    // Only this thread takes SIGUSR1; the threads started below inherit the blocked mask.
    sigset_t quietSignal;
    sigemptyset(&quietSignal);
    sigaddset(&quietSignal, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &quietSignal, nullptr);
    std::atomic<bool> quiet{false};
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) {
        workers.emplace_back([busy, &quiet] {
            volatile unsigned long spin = 0;
            for (;;) {
                if (busy && !quiet.load(std::memory_order_relaxed)) {
                    spin = spin + 1;
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                }
            }
        });
    }
    for (;;) {
        int got = 0;
        if (sigwait(&quietSignal, &got) == 0 && got == SIGUSR1) {
            quiet.store(true);
        }
    }
}
