// Installs TallyVane's crash writer and then crashes in the way its argument names:
//   crasher null|abort|overflow|heap|both   (both: two threads dereference null at once)
// Reports go under $XDG_STATE_HOME, as the program's do.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/CrashReports.h"

namespace {

__attribute__((noinline)) void nullDereference() {
    volatile int* volatile nowhere = nullptr;
    *nowhere = 42;
}

__attribute__((noinline)) void callAbort() {
    std::abort();
}

// Recurses until the stack runs out (the depth limit is never reached).
__attribute__((noinline)) int overflowStack(int depth) {
    volatile char pad[512];
    pad[0] = static_cast<char>(depth);
    if (depth == 1 << 30) {
        return 0;
    }
    return overflowStack(depth + 1) + pad[0];
}

__attribute__((noinline)) void corruptHeap() {
    char* volatile block = static_cast<char*>(std::malloc(64));
    std::free(block);
    char* again = block;
    std::free(again);               // a double free: glibc aborts
    asm volatile("" ::: "memory");  // keeps this frame: no tail call into free
}

}  // namespace

int main(int argc, char** argv) {
    tv::platform::installCrashWriter("9.8.7-test");
    const char* how = argc > 1 ? argv[1] : "";
    if (std::strcmp(how, "null") == 0) {
        nullDereference();
    } else if (std::strcmp(how, "abort") == 0) {
        callAbort();
    } else if (std::strcmp(how, "overflow") == 0) {
        std::thread worker([] {
            tv::platform::guardThisThread("Tallyvane.worker");
            overflowStack(0);
        });
        worker.join();
    } else if (std::strcmp(how, "heap") == 0) {
        corruptHeap();
    } else if (std::strcmp(how, "both") == 0) {
        std::atomic<int> ready{0};
        auto crashTogether = [&ready] {
            tv::platform::guardThisThread("Tallyvane.worker");
            ready.fetch_add(1);
            while (ready.load() < 2) {
            }
            nullDereference();
        };
        std::thread one(crashTogether);
        std::thread two(crashTogether);
        one.join();
        two.join();
    }
    return 0;
}
