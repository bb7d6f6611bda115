#include "platform/linux/crash/MapsText.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace tv::linux_os {

namespace {

unsigned long hexAt(const char*& at, const char* end) {
    unsigned long value = 0;
    for (; at < end; ++at) {
        char c = *at;
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) {
            break;
        }
        value = value * 16 + static_cast<unsigned long>(digit);
    }
    return value;
}

void skip(const char*& at, const char* end, bool spaces) {
    while (at < end && (*at == ' ') == spaces) {
        ++at;
    }
}

}  // namespace

bool MapsText::read() {
    length_ = 0;
    int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    while (length_ < capacity_) {
        ssize_t n = ::read(fd, buffer_ + length_, capacity_ - length_);
        if (n <= 0) {
            break;
        }
        length_ += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return length_ > 0;
}

bool MapsText::next(const char*& at, const char* end, Mapping& m) {
    if (at >= end) {
        return false;
    }
    const char* lineEnd = static_cast<const char*>(std::memchr(at, '\n', end - at));
    if (lineEnd == nullptr) {
        lineEnd = end;
    }
    // "start-end perms offset dev inode   path"
    const char* c = at;
    m = Mapping{};
    m.start = hexAt(c, lineEnd);
    ++c;
    m.end = hexAt(c, lineEnd);
    ++c;
    m.executable = c + 2 < lineEnd && c[2] == 'x';
    c = std::min(c + 5, lineEnd);
    m.offset = hexAt(c, lineEnd);
    for (int field = 0; field < 2; ++field) {  // device and inode
        skip(c, lineEnd, true);
        skip(c, lineEnd, false);
    }
    skip(c, lineEnd, true);
    m.path = c;
    m.pathLength = static_cast<std::size_t>(lineEnd - c);
    at = lineEnd + 1;
    return true;
}

bool MapsText::moduleOf(std::uintptr_t pc, Mapping& found, std::uintptr_t& base) const {
    bool have = false;
    forEach([&](const Mapping& m) {
        if (!have && pc >= m.start && pc < m.end) {
            found = m;
            have = true;
        }
    });
    if (!have) {
        return false;
    }
    base = found.start - found.offset;
    forEach([&](const Mapping& m) {
        if (m.offset == 0 && m.pathLength == found.pathLength && m.pathLength > 0 &&
            std::memcmp(m.path, found.path, m.pathLength) == 0 && m.start <= found.start) {
            base = std::min(base, m.start);
        }
    });
    return true;
}

}  // namespace tv::linux_os
