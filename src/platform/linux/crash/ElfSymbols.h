#pragma once

#include <cstdint>

namespace tv::linux_os {

inline constexpr int maxAddresses = 64;

// Names the functions holding the given addresses (relative to the module's load address)
// from the module file's symbol table, else its dynamic symbols, as they are written there
// (mangled). Only open, pread and close: safe inside a signal handler. Up to `maxAddresses`;
// an address no function holds leaves its name as it was.
void nameFunctions(const char* path, const std::uintptr_t* addresses, char (*names)[128],
                   int count);

}  // namespace tv::linux_os
