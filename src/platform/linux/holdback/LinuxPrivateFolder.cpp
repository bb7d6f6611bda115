#include "platform/linux/holdback/LinuxPrivateFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace tv::linux_os {

namespace {

// A descriptor closed when it goes out of scope.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

  private:
    int fd_;
};

std::string octal(unsigned mode) {
    char text[16];
    std::snprintf(text, sizeof text, "%04o", mode);
    return text;
}

// Why a folder found with lstat/fstat is not private to this user; empty when it is.
std::string notPrivate(const struct stat& info) {
    if (S_ISLNK(info.st_mode)) {
        return "is a link";
    }
    if (!S_ISDIR(info.st_mode)) {
        return "is not a folder";
    }
    if (info.st_uid != ::geteuid()) {
        return "belongs to another user";
    }
    if ((info.st_mode & 07777) != 0700) {
        return "has mode " + octal(info.st_mode & 07777) + ", not 0700";
    }
    return {};
}

bool plainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

std::string LinuxPrivateFolder::defaultPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        return {};
    }
    return std::string(runtime) + "/TallyVane";
}

std::string LinuxPrivateFolder::problem(bool create) {
    if (path_.empty()) {
        return "$XDG_RUNTIME_DIR is not set";
    }
    struct stat info {};
    if (::lstat(path_.c_str(), &info) != 0) {
        const bool missing = errno == ENOENT;
        // A runtime directory named but not made yet is made as the session would: private.
        std::string parent = path_.substr(0, path_.find_last_of('/'));
        if (missing && create && !parent.empty() && ::access(parent.c_str(), F_OK) != 0) {
            ::mkdir(parent.c_str(), 0700);
        }
        if (!missing || !create || ::mkdir(path_.c_str(), 0700) != 0 ||
            ::lstat(path_.c_str(), &info) != 0) {
            return path_ + " cannot be made";
        }
    }
    if (std::string why = notPrivate(info); !why.empty()) {
        return path_ + " " + why;
    }
    return {};
}

bool LinuxPrivateFolder::usable() {
    return problem(true).empty();
}

std::string LinuxPrivateFolder::describe() {
    std::string why = problem(true);
    return why.empty() ? path_ + " (private to this user)" : "none: " + why;
}

namespace {

// The folder itself, opened without following a link and checked again through the
// descriptor, so that it cannot be swapped between the check and the use.
int openFolder(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !notPrivate(info).empty())) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::vector<std::string> LinuxPrivateFolder::names() {
    std::vector<std::string> out;
    if (!problem(false).empty()) {
        return out;
    }
    int fd = openFolder(path_);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        return out;
    }
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (plainName(name)) {
            out.push_back(name);
        }
    }
    ::closedir(dir);
    return out;
}

std::optional<std::string> LinuxPrivateFolder::read(const std::string& name) {
    if (!plainName(name) || !problem(false).empty()) {
        return std::nullopt;
    }
    Fd folder(openFolder(path_));
    if (!folder) {
        return std::nullopt;
    }
    // O_NONBLOCK: a FIFO planted here must not hang the reader before fstat refuses it.
    Fd file(::openat(folder.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_uid != ::geteuid() || (info.st_mode & 022) != 0 ||
        static_cast<std::size_t>(info.st_size) > largestFile) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        ssize_t n = ::read(file.get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return text;
}

bool LinuxPrivateFolder::write(const std::string& name, const std::string& text) {
    if (!plainName(name) || !problem(true).empty()) {
        return false;
    }
    Fd folder(openFolder(path_));
    if (!folder) {
        return false;
    }
    const std::string temporary = name + ".new";
    ::unlinkat(folder.get(), temporary.c_str(), 0);
    int fd = ::openat(folder.get(), temporary.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    std::size_t put = 0;
    while (put < text.size()) {
        ssize_t n = ::write(fd, text.data() + put, text.size() - put);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        put += static_cast<std::size_t>(n);
    }
    bool ok = ::close(fd) == 0 && put == text.size() &&
              ::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) == 0;
    if (!ok) {
        ::unlinkat(folder.get(), temporary.c_str(), 0);
    }
    return ok;
}

void LinuxPrivateFolder::remove(const std::string& name) {
    if (!plainName(name)) {
        return;
    }
    Fd folder(openFolder(path_));
    if (folder) {
        ::unlinkat(folder.get(), name.c_str(), 0);
    }
}

}  // namespace tv::linux_os
