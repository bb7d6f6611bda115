#pragma once

#include <string>

namespace tv::linux_os {

// "Debian GNU/Linux 12 (bookworm), kernel 6.1.0-18-amd64": PRETTY_NAME from
// etc/os-release (else usr/lib/os-release) and the release from proc/sys/kernel/osrelease,
// under `root`. "Linux" stands in for a missing name; a missing kernel release is left out.
// Control characters are dropped and each part is cut to 120 characters.
std::string osVersion(const std::string& root = "/");

}  // namespace tv::linux_os
