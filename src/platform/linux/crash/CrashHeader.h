#pragma once

#include <string>

namespace tv::linux_os {

// The lines at the top of every crash report, worked out once at start: the version, the
// program's build id, the distribution, the kernel, the machine's model and the UTC offset.
// Read under `root` (default "/"). Never the host or user name, serial numbers or UUIDs.
std::string crashHeader(const std::string& version, const std::string& buildId,
                        long utcOffsetSeconds, const std::string& root = "/");

// The GNU build id of the running program, as hex; empty when it has none.
std::string ownBuildId();

// The local time's distance from UTC now, in seconds east.
long utcOffsetNow();

}  // namespace tv::linux_os
