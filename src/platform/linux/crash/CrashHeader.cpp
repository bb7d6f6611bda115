#include "platform/linux/crash/CrashHeader.h"

#include <elf.h>
#include <link.h>
#include <sys/utsname.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

namespace tv::linux_os {

namespace {

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\0')) {
        line.pop_back();
    }
    return line;
}

std::string prettyName(const std::string& root) {
    for (const char* file : {"etc/os-release", "usr/lib/os-release"}) {
        std::ifstream in(root + file);
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("PRETTY_NAME=", 0) == 0) {
                std::string value = line.substr(12);
                if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
                    value = value.substr(1, value.size() - 2);
                }
                return value;
            }
        }
    }
    return "unknown";
}

// The vendor and product from DMI, else the device tree's model; never a serial or UUID.
std::string model(const std::string& root) {
    std::string dmi = root + "sys/class/dmi/id/";
    std::string vendor = firstLine(dmi + "sys_vendor");
    std::string product = firstLine(dmi + "product_name");
    if (product.empty()) {
        vendor = firstLine(dmi + "board_vendor");
        product = firstLine(dmi + "board_name");
    }
    std::string both = vendor.empty() ? product : product.empty() ? vendor : vendor + " " + product;
    if (both.empty()) {
        both = firstLine(root + "proc/device-tree/model");
    }
    return both.empty() ? "unknown" : both;
}

int onObject(dl_phdr_info* info, std::size_t, void* out) {
    auto& id = *static_cast<std::string*>(out);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        if (header.p_type != PT_NOTE) {
            continue;
        }
        auto* at = reinterpret_cast<const char*>(info->dlpi_addr + header.p_vaddr);
        const char* end = at + header.p_memsz;
        while (at + sizeof(ElfW(Nhdr)) <= end) {
            const auto* note = reinterpret_cast<const ElfW(Nhdr)*>(at);
            const char* name = at + sizeof(ElfW(Nhdr));
            const auto* desc =
                reinterpret_cast<const unsigned char*>(name + ((note->n_namesz + 3) & ~3U));
            if (note->n_type == NT_GNU_BUILD_ID && note->n_namesz == 4 &&
                std::string(name, 3) == "GNU") {
                char hex[3];
                for (unsigned j = 0; j < note->n_descsz; ++j) {
                    std::snprintf(hex, sizeof hex, "%02x", desc[j]);
                    id += hex;
                }
                return 1;
            }
            at = reinterpret_cast<const char*>(desc) + ((note->n_descsz + 3) & ~3U);
        }
    }
    return 1;  // the first object is the program itself; look no further
}

}  // namespace

std::string crashHeader(const std::string& version, const std::string& buildId,
                        long utcOffsetSeconds, const std::string& root) {
    std::string base = root.empty() || root.back() == '/' ? root : root + "/";
    utsname names{};
    ::uname(&names);
    long minutes = (utcOffsetSeconds < 0 ? -utcOffsetSeconds : utcOffsetSeconds) / 60;
    char offset[48];
    std::snprintf(offset, sizeof offset, "%c%02ld:%02ld", utcOffsetSeconds < 0 ? '-' : '+',
                  minutes / 60, minutes % 60);
    std::ostringstream out;
    out << "TallyVane crash report\n"
        << "Version: " << version << '\n'
        << "Build ID: " << (buildId.empty() ? "none" : buildId) << '\n'
        << "Distribution: " << prettyName(base) << '\n'
        << "Kernel: " << names.sysname << ' ' << names.release << ' ' << names.machine << '\n'
        << "Model: " << model(base) << '\n'
        << "UTC offset: " << offset << '\n';
    return out.str();
}

std::string ownBuildId() {
    std::string id;
    ::dl_iterate_phdr(onObject, &id);
    return id;
}

long utcOffsetNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local.tm_gmtoff;
}

}  // namespace tv::linux_os
