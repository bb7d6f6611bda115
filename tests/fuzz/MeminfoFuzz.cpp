// /proc/meminfo.
#include "FuzzRoot.h"
#include "MemoryFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tv::fuzz::fuzzMemory(tv::fuzz::asText(data, size),
                         "some avg10=0.00 avg60=0.00 avg300=0.00 total=100\n"
                         "full avg10=0.00 avg60=0.00 avg300=0.00 total=50\n");
    return 0;
}
