#include "platform/linux/focus/CompositorProcess.h"

#include <unistd.h>

#include <cstdlib>
#include <set>

#include "platform/linux/desktop/LinuxSessionRoles.h"
#include "platform/linux/desktop/SessionEnvironment.h"
#include "platform/linux/proc/ProcFile.h"
#include "platform/linux/proc/ProcStat.h"

namespace tv::linux_os {

CompositorProcess::CompositorProcess(std::string socket, std::string procRoot)
    : socket_(std::move(socket)), procRoot_(std::move(procRoot)) {}

std::string CompositorProcess::socketOfThisSession() {
    std::string display = environmentValue("WAYLAND_DISPLAY");
    if (display.empty() || display[0] == '/') {
        return display;
    }
    std::string runtime = environmentValue("XDG_RUNTIME_DIR");
    return runtime.empty() ? std::string() : runtime + "/" + display;
}

std::optional<std::uint64_t> CompositorProcess::startOf(std::int32_t pid) const {
    if (pid <= 0) {
        return std::nullopt;
    }
    auto text = readFile(procRoot_ + "/" + std::to_string(pid) + "/stat");
    auto stat = text ? parseProcStat(*text) : std::nullopt;
    if (!stat) {
        return std::nullopt;
    }
    return stat->starttime;
}

// The kernel lists every Unix socket with its inode and path (/proc/net/unix); a listening
// one has the accepting flag. The process holds it when one of its descriptors is it.
bool CompositorProcess::holdsListeningSocket(std::int32_t pid) const {
    constexpr unsigned long accepting = 0x10000;  // __SO_ACCEPTCON
    auto table = readFile(procRoot_ + "/net/unix");
    if (!table || socket_.empty()) {
        return false;
    }
    std::set<std::string> sockets;
    forEachLine(*table, [&](std::string_view line) {
        std::string_view rest = line;
        std::string_view fields[7];
        for (std::string_view& field : fields) {
            field = nextField(rest);
        }
        std::size_t start = rest.find_first_not_of(" \t");
        std::string_view path = start == std::string_view::npos ? "" : rest.substr(start);
        auto flags = std::strtoul(std::string(fields[3]).c_str(), nullptr, 16);
        if (path == socket_ && (flags & accepting) != 0) {
            sockets.insert("socket:[" + std::string(fields[6]) + "]");
        }
    });
    if (sockets.empty()) {
        return false;
    }
    std::string fds = procRoot_ + "/" + std::to_string(pid) + "/fd";
    for (const std::string& fd : listDirectory(fds)) {
        char target[64] = {};
        ssize_t length = ::readlink((fds + "/" + fd).c_str(), target, sizeof target - 1);
        if (length > 0 && sockets.count(std::string(target, static_cast<std::size_t>(length)))) {
            return true;
        }
    }
    return false;
}

bool CompositorProcess::is(std::int32_t pid) const {
    auto started = startOf(pid);
    if (!started || !listenerOf(socket_)) {
        return false;  // gone, or no compositor serves the display now
    }
    if (known_ && known_->pid == pid && known_->started == *started) {
        return true;
    }
    if (!holdsListeningSocket(pid)) {
        return false;
    }
    known_ = Known{pid, *started};
    return true;
}

}  // namespace tv::linux_os
