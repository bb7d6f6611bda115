#pragma once

#include <string_view>

namespace tv::fuzz {

// Reads memory from a root whose /proc/meminfo and /proc/pressure/memory hold the given texts
// and checks the sample: the parts of the memory in use never exceed the total, swap in use
// never exceeds the swap there is, and the pressure is one of the known levels.
void fuzzMemory(std::string_view meminfo, std::string_view pressure);

}  // namespace tv::fuzz
