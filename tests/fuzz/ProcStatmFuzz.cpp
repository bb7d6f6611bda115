// /proc/PID/statm as read by the process table.
#include "ProcessFuzz.h"

#include "FuzzRoot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tv::fuzz::fuzzProcessFile("statm", tv::fuzz::asText(data, size));
    return 0;
}
