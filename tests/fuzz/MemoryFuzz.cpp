#include "MemoryFuzz.h"

#include "FuzzRoot.h"
#include "platform/linux/system/LinuxMemorySource.h"

namespace tv::fuzz {

void fuzzMemory(std::string_view meminfo, std::string_view pressure) {
    const FuzzRoot& root = FuzzRoot::get();
    root.write("proc/meminfo", meminfo);
    root.write("proc/pressure/memory", pressure);
    root.write("proc/swaps", "Filename Type Size Used Priority\n/swap file 1048572 5000 -2\n");
    double now = 0;
    linux_os::LinuxMemorySource source(root.path(), [&] { return now += 1; });
    for (int round = 0; round < 3; ++round) {
        MemorySample sample = source.read();
        check(sample.app <= sample.total && sample.wired <= sample.total &&
                  sample.compressed <= sample.total,
              "no part of memory exceeds the total");
        check(sample.used() <= sample.total, "memory in use never exceeds the total");
        check(sample.used() + sample.cached <= sample.total || sample.total == 0,
              "memory in use and cached never exceed the total");
        check(sample.swapUsed <= sample.swapTotal, "swap in use never exceeds the swap there is");
        check(sample.pressure == 0 || sample.pressure == 1 || sample.pressure == 2 ||
                  sample.pressure == 4,
              "a pressure level is 0, 1, 2 or 4");
    }
}

}  // namespace tv::fuzz
