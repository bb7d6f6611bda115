#include "platform/linux/focus/I3Ipc.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace tv::linux_os {

namespace {

constexpr char magic[] = "i3-ipc";
constexpr std::size_t headerSize = 6 + 4 + 4;

}  // namespace

int connectUnixSocket(const std::string& path, int timeoutMs) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return -1;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool readAll(int fd, std::string& out, std::size_t size, std::size_t limit) {
    char buffer[65536];
    while (size == 0 || out.size() < size) {
        std::size_t want = size == 0 ? sizeof buffer : std::min(sizeof buffer, size - out.size());
        ssize_t got = ::recv(fd, buffer, want, 0);
        if (got == 0 && size == 0) {
            return true;
        }
        if (got <= 0 || out.size() + static_cast<std::size_t>(got) > limit) {
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

std::optional<std::string> I3Ipc::ask(std::uint32_t type, std::string_view payload) const {
    if (payload.size() > compositorAnswerLimit) {
        return std::nullopt;
    }
    int fd = connectUnixSocket(socket_, compositorAnswerWaitMs);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string request(headerSize, '\0');
    auto length = static_cast<std::uint32_t>(payload.size());
    std::memcpy(request.data(), magic, 6);
    std::memcpy(request.data() + 6, &length, 4);
    std::memcpy(request.data() + 10, &type, 4);
    request.append(payload);
    std::optional<std::string> answer;
    std::string header;
    if (sendAll(fd, request.data(), request.size()) &&
        readAll(fd, header, headerSize, headerSize) && header.compare(0, 6, magic) == 0) {
        std::memcpy(&length, header.data() + 6, 4);
        std::string text;
        if (length == 0 ||
            (length <= compositorAnswerLimit && readAll(fd, text, length, compositorAnswerLimit))) {
            answer = std::move(text);
        }
    }
    ::close(fd);
    return answer;
}

}  // namespace tv::linux_os
