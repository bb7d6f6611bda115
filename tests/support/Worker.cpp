// A stand-in for an app's process in the executor's tests: it runs a number of threads that
// sleep (or spin with "busy") until it is killed, holding as much memory as it is told.
#include <unistd.h>

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
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) {
        workers.emplace_back([busy] {
            volatile unsigned long spin = 0;
            for (;;) {
                if (busy) {
                    spin = spin + 1;
                } else {
                    std::this_thread::sleep_for(std::chrono::seconds(60));
                }
            }
        });
    }
    for (;;) {
        ::pause();
    }
}
