#pragma once

#include <cstddef>

namespace tv::linux_os {

// The GNU build id (the NT_GNU_BUILD_ID note) of the ELF file at `path`, as lower-case hex
// into `hex` (always terminated); false, with `hex` empty, when the file has none or cannot
// be read. Only open, pread and close: safe inside a signal handler.
bool readBuildId(const char* path, char* hex, std::size_t capacity);

}  // namespace tv::linux_os
