#include "FuzzRoot.h"

#include <fcntl.h>
#include <unistd.h>
#include <filesystem>

namespace tv::fuzz {

const FuzzRoot& FuzzRoot::get() {
    static const FuzzRoot root;
    return root;
}

FuzzRoot::FuzzRoot() {
    // Every input is written as files and read back: in memory that runs some thirty times
    // faster than on a disk-backed /tmp. $TMPDIR, when set, still decides.
    std::error_code error;
    std::string folder = std::getenv("TMPDIR") == nullptr &&
                                 std::filesystem::is_directory("/dev/shm", error) &&
                                 ::access("/dev/shm", W_OK) == 0
                             ? "/dev/shm"
                             : std::filesystem::temp_directory_path().string();
    std::string pattern = folder + "/tv-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        broken("a temporary root can be made");
    }
    root_ = pattern;
}

FuzzRoot::~FuzzRoot() {
    std::error_code error;
    std::filesystem::remove_all(root_, error);
}

void FuzzRoot::write(const std::string& relativePath, std::string_view text) const {
    std::string file = root_ + "/" + relativePath;
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    check(fd >= 0, "a file of the root can be written");
    for (std::size_t done = 0; done < text.size();) {
        ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        check(wrote > 0, "a file of the root can be written");
        done += static_cast<std::size_t>(wrote);
    }
    ::close(fd);
}

bool validUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80         ? 1
                             : (c >> 5) == 6  ? 2
                             : (c >> 4) == 14 ? 3
                             : (c >> 3) == 30 ? 4
                                              : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        std::uint32_t point = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            point = (point << 6) | (next & 0x3F);
        }
        static constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < smallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

bool hasControl(std::string_view text) {
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            return true;
        }
    }
    return false;
}

}  // namespace tv::fuzz
