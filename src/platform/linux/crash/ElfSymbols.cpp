#include "platform/linux/crash/ElfSymbols.h"

#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace tv::linux_os {

namespace {

bool readAt(int fd, void* into, std::size_t size, std::uint64_t offset) {
    return ::pread(fd, into, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

}  // namespace

void nameFunctions(const char* path, const std::uintptr_t* addresses, char (*names)[128],
                   int count) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    Elf64_Ehdr file;
    if (!readAt(fd, &file, sizeof file, 0) || std::memcmp(file.e_ident, ELFMAG, SELFMAG) != 0 ||
        file.e_ident[EI_CLASS] != ELFCLASS64 || file.e_shentsize != sizeof(Elf64_Shdr)) {
        ::close(fd);
        return;
    }
    Elf64_Shdr table{};
    Elf64_Shdr strings{};
    bool found = false;
    for (std::uint32_t type :
         {static_cast<std::uint32_t>(SHT_SYMTAB), static_cast<std::uint32_t>(SHT_DYNSYM)}) {
        for (int i = 0; i < file.e_shnum && !found; ++i) {
            Elf64_Shdr section;
            if (readAt(fd, &section, sizeof section, file.e_shoff + i * sizeof section) &&
                section.sh_type == type && section.sh_entsize == sizeof(Elf64_Sym) &&
                readAt(fd, &strings, sizeof strings,
                       file.e_shoff + section.sh_link * sizeof strings)) {
                table = section;
                found = true;
            }
        }
    }
    if (!found) {
        ::close(fd);
        return;
    }
    std::uint32_t best[maxAddresses] = {};
    std::uint64_t bestStart[maxAddresses] = {};
    Elf64_Sym chunk[256];
    std::uint64_t total = table.sh_size / sizeof(Elf64_Sym);
    for (std::uint64_t first = 0; first < total; first += 256) {
        std::uint64_t n = std::min<std::uint64_t>(256, total - first);
        if (!readAt(fd, chunk, n * sizeof(Elf64_Sym),
                    table.sh_offset + first * sizeof(Elf64_Sym))) {
            break;
        }
        for (std::uint64_t s = 0; s < n; ++s) {
            const Elf64_Sym& sym = chunk[s];
            if (ELF64_ST_TYPE(sym.st_info) != STT_FUNC || sym.st_value == 0) {
                continue;
            }
            for (int f = 0; f < count; ++f) {
                std::uint64_t a = addresses[f];
                std::uint64_t size = sym.st_size == 0 ? 1 : sym.st_size;
                if (a >= sym.st_value && a < sym.st_value + size && sym.st_value >= bestStart[f]) {
                    best[f] = sym.st_name;
                    bestStart[f] = sym.st_value;
                }
            }
        }
    }
    for (int f = 0; f < count; ++f) {
        if (best[f] != 0 && ::pread(fd, names[f], sizeof names[f] - 1,
                                    static_cast<off_t>(strings.sh_offset + best[f])) > 0) {
            names[f][sizeof names[f] - 1] = '\0';
        }
    }
    ::close(fd);
}

}  // namespace tv::linux_os
