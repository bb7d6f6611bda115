#pragma once

#include <cstddef>
#include <cstdint>

namespace tv::linux_os {

// One line of /proc/self/maps.
struct Mapping {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    std::uintptr_t offset = 0;
    bool executable = false;
    const char* path = nullptr;  // into the maps text; not terminated
    std::size_t pathLength = 0;
};

// The process's own /proc/self/maps, read into a buffer the caller set aside and parsed
// without allocating, so it can be used inside a signal handler.
class MapsText {
  public:
    MapsText(char* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}

    // Reads the current mappings (as much as fits); false when they cannot be read.
    bool read();

    template <typename Each>
    void forEach(Each each) const {
        const char* at = buffer_;
        Mapping m;
        while (next(at, buffer_ + length_, m)) {
            each(m);
        }
    }

    // The mapping holding `pc`, and the load address of its file (the lowest mapping of the
    // same file at offset 0), so `pc - base` is the file's own address for `pc`.
    bool moduleOf(std::uintptr_t pc, Mapping& found, std::uintptr_t& base) const;

  private:
    // Parses the line at `at` into `m` and moves `at` past it; false at the end.
    static bool next(const char*& at, const char* end, Mapping& m);

    char* buffer_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

}  // namespace tv::linux_os
