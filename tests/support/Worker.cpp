// A stand-in for an app's process in the executor's tests: it runs a number of threads that
// sleep (or spin with "busy") until it is killed.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    int threads = argc > 1 ? std::atoi(argv[1]) : 3;
    bool busy = argc > 2 && std::strcmp(argv[2], "busy") == 0;
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
