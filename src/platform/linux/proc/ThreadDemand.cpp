#include "platform/linux/proc/ThreadDemand.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>

#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

std::optional<std::uint64_t> parseThreadDemand(std::string_view schedstat) {
    if (!schedstat.empty() && schedstat.back() == '\n') {
        schedstat.remove_suffix(1);
    }
    auto ran = parseUnsigned(nextField(schedstat));
    auto waited = parseUnsigned(nextField(schedstat));
    auto slices = parseUnsigned(nextField(schedstat));
    // Far beyond any uptime: not a count of nanoseconds.
    constexpr unsigned long long implausible = 1ULL << 62;
    if (!ran || !waited || !slices || !nextField(schedstat).empty() || *ran > implausible ||
        *waited > implausible) {
        return std::nullopt;
    }
    return *ran + *waited;
}

std::optional<std::uint64_t> processDemand(const std::string& taskFolder) {
    // One open folder and a file opened relative to it per thread: no path is built per read.
    int folder = ::open(taskFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        return std::nullopt;
    }
    DIR* threads = ::fdopendir(folder);
    if (threads == nullptr) {
        ::close(folder);
        return std::nullopt;
    }
    std::optional<std::uint64_t> total;
    std::array<char, 96> buffer{};
    std::string path;
    while (dirent* entry = ::readdir(threads)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') {
            continue;
        }
        path.assign(entry->d_name).append("/schedstat");
        int file = ::openat(folder, path.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0) {
            continue;
        }
        ssize_t length = ::read(file, buffer.data(), buffer.size());
        ::close(file);
        auto demand = length > 0 ? parseThreadDemand(std::string_view(
                                       buffer.data(), static_cast<std::size_t>(length)))
                                 : std::nullopt;
        if (demand) {
            total = total.value_or(0) + *demand;
        }
    }
    ::closedir(threads);
    return total;
}

}  // namespace tv::linux_os
