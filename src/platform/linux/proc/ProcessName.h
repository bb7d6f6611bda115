#pragma once

#include <sys/types.h>

#include <string>

namespace tv::linux_os {

// The short name of a running process (/proc/PID/comm, else its executable's file name);
// empty when it cannot be read.
std::string processName(pid_t pid, const std::string& procRoot = "/proc");

}  // namespace tv::linux_os
