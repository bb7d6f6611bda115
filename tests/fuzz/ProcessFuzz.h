#pragma once

#include <string_view>

namespace tv::fuzz {

// Writes a process's /proc files with `text` as its file `fuzzed` ("stat", "status", "statm",
// "cmdline" or "cgroup") and ordinary contents for the others, then reads the process the way
// the Sampler does and checks what comes out: a name and arguments safe to show, a row key of
// the two known kinds, a memory figure no bigger than the process's resident pages.
void fuzzProcessFile(std::string_view fuzzed, std::string_view text);

}  // namespace tv::fuzz
