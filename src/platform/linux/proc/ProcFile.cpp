#include "platform/linux/proc/ProcFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>

namespace tv::linux_os {

ProcFile::~ProcFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::optional<std::string_view> ProcFile::read() {
    if (fd_ < 0) {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            return std::nullopt;
        }
    }
    // Kernel files report no size, so grow the buffer until a read leaves room to spare.
    for (;;) {
        ssize_t n = ::pread(fd_, buffer_.data(), buffer_.size(), 0);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd_);
            fd_ = -1;
            return std::nullopt;
        }
        if (static_cast<std::size_t>(n) < buffer_.size() || buffer_.size() >= (1u << 24)) {
            if (!keepOpen_) {
                ::close(fd_);
                fd_ = -1;
            }
            return std::string_view(buffer_.data(), static_cast<std::size_t>(n));
        }
        buffer_.resize(buffer_.size() * 2);
    }
}

double monotonicSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::optional<std::string> readFile(const std::string& path) {
    ProcFile file(path, false);
    auto text = file.read();
    if (!text) {
        return std::nullopt;
    }
    return std::string(*text);
}

std::vector<std::string> listDirectory(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (dirent* entry = ::readdir(dir)) {
        std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);
    return names;
}

std::optional<unsigned long long> parseUnsigned(std::string_view text) {
    unsigned long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseDouble(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> readNumber(ProcFile& file) {
    auto text = file.read();
    if (!text) {
        return std::nullopt;
    }
    std::string_view view = *text;
    while (!view.empty() && (view.back() == '\n' || view.back() == ' ')) {
        view.remove_suffix(1);
    }
    bool negative = !view.empty() && view[0] == '-';
    auto value = parseUnsigned(negative ? view.substr(1) : view);
    if (!value) {
        return std::nullopt;
    }
    return negative ? -static_cast<double>(*value) : static_cast<double>(*value);
}

std::string_view nextField(std::string_view& text) {
    std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        text = {};
        return {};
    }
    text.remove_prefix(start);
    std::size_t end = text.find_first_of(" \t");
    std::string_view field = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end);
    return field;
}

}  // namespace tv::linux_os
