#include "platform/UserFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tv::platform {

namespace {

FileStamp stampOf(const struct stat& info) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.regular = S_ISREG(info.st_mode);
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modifiedNs =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    stamp.changedNs =
        static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec;
    stamp.mode = info.st_mode & 07777;
    return stamp;
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

FileStamp fileStamp(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return stampOf(info);
}

FileRead readRegularFile(const std::string& path, std::size_t limit) {
    FileRead result;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        result.outcome = errno == ENOENT || errno == ENOTDIR ? FileRead::Outcome::missing
                                                             : FileRead::Outcome::unreadable;
        return result;
    }
    result.stamp = stampOf(info);
    result.outcome = FileRead::Outcome::unreadable;
    if (!S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) > limit) {
        return result;
    }
    // Non-blocking, in case a pipe took the file's place since it was looked at.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return result;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uint64_t>(info.st_size) > limit) {
        ::close(fd);
        return result;
    }
    result.stamp = stampOf(info);
    std::string bytes(limit + 1, '\0');
    std::size_t got = 0;
    for (;;) {
        ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return result;
        }
        if (n == 0 || got + static_cast<std::size_t>(n) > limit) {
            got += static_cast<std::size_t>(n);
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got > limit) {
        return result;  // grew while being read
    }
    bytes.resize(got);
    result.bytes = std::move(bytes);
    result.outcome = FileRead::Outcome::read;
    return result;
}

bool replaceFile(const std::string& path, const std::string& bytes, unsigned mode) {
    std::string temporary = path + ".XXXXXX";
    // mkostemp creates with O_CREAT | O_EXCL: it never opens an existing name or a link.
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool written = writeAll(fd, bytes) && ::fchmod(fd, mode & 07777) == 0 && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace tv::platform
