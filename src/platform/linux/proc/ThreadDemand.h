#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tv::linux_os {

// The time a thread ran plus the time it stood ready to run, from its schedstat file
// ("<ns on a processor> <ns waiting on a run queue> <time slices>"); absent for anything else.
std::optional<std::uint64_t> parseThreadDemand(std::string_view schedstat);

// The same summed over every thread in a process's task folder (/proc/PID/task). Absent when
// the folder cannot be listed or no thread has the file (a kernel without scheduler
// statistics); threads that end while it reads are skipped.
std::optional<std::uint64_t> processDemand(const std::string& taskFolder);

}  // namespace tv::linux_os
