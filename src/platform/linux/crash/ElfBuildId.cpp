#include "platform/linux/crash/ElfBuildId.h"

#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace tv::linux_os {

namespace {

bool preadExactly(int fd, void* into, std::size_t size, std::uint64_t offset) {
    return ::pread(fd, into, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

constexpr std::size_t aligned4(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

// Looks through one note segment's bytes for the build id.
bool buildIdIn(const unsigned char* notes, std::size_t size, char* hex, std::size_t capacity) {
    std::size_t at = 0;
    while (at + sizeof(Elf64_Nhdr) <= size) {
        Elf64_Nhdr note;
        std::memcpy(&note, notes + at, sizeof note);
        std::size_t name = at + sizeof note;
        std::size_t desc = name + aligned4(note.n_namesz);
        if (desc > size || note.n_descsz > size - desc) {
            return false;
        }
        if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 &&
            std::memcmp(notes + name, "GNU", 4) == 0 && note.n_descsz > 0 &&
            2 * note.n_descsz < capacity) {
            for (std::size_t i = 0; i < note.n_descsz; ++i) {
                hex[2 * i] = "0123456789abcdef"[notes[desc + i] >> 4];
                hex[2 * i + 1] = "0123456789abcdef"[notes[desc + i] & 0xf];
            }
            hex[2 * note.n_descsz] = '\0';
            return true;
        }
        at = desc + aligned4(note.n_descsz);
    }
    return false;
}

}  // namespace

bool readBuildId(const char* path, char* hex, std::size_t capacity) {
    if (capacity == 0) {
        return false;
    }
    hex[0] = '\0';
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool found = false;
    Elf64_Ehdr file;
    if (preadExactly(fd, &file, sizeof file, 0) &&
        std::memcmp(file.e_ident, ELFMAG, SELFMAG) == 0 && file.e_ident[EI_CLASS] == ELFCLASS64 &&
        file.e_phentsize == sizeof(Elf64_Phdr)) {
        // Build ids sit in a small note segment near the start; larger notes are not it.
        unsigned char notes[4096];
        for (int i = 0; i < file.e_phnum && i < 128 && !found; ++i) {
            Elf64_Phdr segment;
            if (!preadExactly(fd, &segment, sizeof segment, file.e_phoff + i * sizeof segment) ||
                segment.p_type != PT_NOTE) {
                continue;
            }
            std::size_t size = segment.p_filesz < sizeof notes
                                   ? static_cast<std::size_t>(segment.p_filesz)
                                   : sizeof notes;
            found = preadExactly(fd, notes, size, segment.p_offset) &&
                    buildIdIn(notes, size, hex, capacity);
        }
    }
    ::close(fd);
    if (!found) {
        hex[0] = '\0';
    }
    return found;
}

}  // namespace tv::linux_os
