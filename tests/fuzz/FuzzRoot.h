#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tv::fuzz {

// A directory standing in for the filesystem root, made once per fuzzing process (libFuzzer
// calls the target millions of times in one process) and removed when that process ends.
class FuzzRoot {
  public:
    static const FuzzRoot& get();

    // Writes `text` to the file at `relativePath`, making its folders.
    void write(const std::string& relativePath, std::string_view text) const;
    const std::string& path() const { return root_; }

  private:
    FuzzRoot();
    ~FuzzRoot();
    std::string root_;
};

// The input as text.
inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Stops the run with the property that does not hold; libFuzzer saves the input.
[[noreturn]] inline void broken(const char* property) {
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}

inline void check(bool holds, const char* property) {
    if (!holds) {
        broken(property);
    }
}

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool validUtf8(std::string_view text);

// Whether `text` holds a C0 control character or DEL.
bool hasControl(std::string_view text);

}  // namespace tv::fuzz
