// /proc/pressure/memory, the kernel's stall figures.
#include "FuzzRoot.h"
#include "MemoryFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tv::fuzz::fuzzMemory(
        "MemTotal: 16000000 kB\nMemFree: 4000000 kB\nMemAvailable: 8000000 kB\n"
        "Buffers: 100000 kB\nCached: 3000000 kB\nShmem: 200000 kB\n"
        "SReclaimable: 300000 kB\nAnonPages: 6000000 kB\n"
        "SwapTotal: 2000000 kB\nSwapFree: 1000000 kB\n",
        tv::fuzz::asText(data, size));
    return 0;
}
