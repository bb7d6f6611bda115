#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv::linux_os {

// A /proc or /sys file kept open between reads and read whole with pread, so a tick costs
// one system call per file instead of three.
class ProcFile {
  public:
    // `keepOpen` false opens and closes the file on every read (when descriptors run short).
    explicit ProcFile(std::string path, bool keepOpen = true)
        : path_(std::move(path)), keepOpen_(keepOpen) {}
    ~ProcFile();
    ProcFile(const ProcFile&) = delete;
    ProcFile& operator=(const ProcFile&) = delete;

    // The file's whole text, or absent when it cannot be opened or read now.
    std::optional<std::string_view> read();

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    // Grows to fit the file; most per-process files are a few dozen bytes.
    std::string buffer_ = std::string(256, '\0');
    int fd_ = -1;
    bool keepOpen_ = true;
};

// Seconds on the monotonic clock (never set back, stands still while suspended).
double monotonicSeconds();

// Reads a small file in one go (opened and closed each time); absent when unreadable.
std::optional<std::string> readFile(const std::string& path);

// The names in a directory, without "." and ".."; empty when it cannot be listed.
std::vector<std::string> listDirectory(const std::string& path);

// Parsing helpers for the kernel's text files. Each returns absent on malformed text.
std::optional<unsigned long long> parseUnsigned(std::string_view text);
std::optional<double> parseDouble(std::string_view text);

// The whole number a one-value file holds ("42\n", "-5000"); absent when it holds anything
// else or cannot be read.
std::optional<double> readNumber(ProcFile& file);

// Splits off the next field separated by spaces or tabs; empty at the end.
std::string_view nextField(std::string_view& text);

// Calls `each` for every line of `text` (without its newline).
template <typename Each>
void forEachLine(std::string_view text, Each&& each) {
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        each(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

}  // namespace tv::linux_os
