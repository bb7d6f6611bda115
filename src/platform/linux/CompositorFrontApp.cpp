#include "platform/linux/CompositorFrontApp.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/linux/FocusJson.h"

namespace tv::linux_os {

namespace {

constexpr char i3Magic[] = "i3-ipc";
constexpr std::size_t i3Header = 6 + 4 + 4;
constexpr std::uint32_t i3GetTree = 4;
constexpr std::size_t answerLimit = 64 << 20;

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

// Reads `size` bytes, or to the end when `size` is 0; false on a timeout or error.
bool readAll(int fd, std::string& out, std::size_t size) {
    char buffer[65536];
    while (size == 0 || out.size() < size) {
        std::size_t want = size == 0 ? sizeof buffer : std::min(sizeof buffer, size - out.size());
        ssize_t got = ::recv(fd, buffer, want, 0);
        if (got == 0 && size == 0) {
            return true;
        }
        if (got <= 0 || out.size() + static_cast<std::size_t>(got) > answerLimit) {
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

}  // namespace

CompositorFrontApp::CompositorFrontApp(Protocol protocol, std::string socket, std::int32_t self)
    : protocol_(protocol), socket_(std::move(socket)), self_(self) {}

std::optional<std::string> CompositorFrontApp::ask() {
    sockaddr_un address{};
    if (socket_.empty() || socket_.size() >= sizeof address.sun_path) {
        return std::nullopt;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socket_.c_str(), socket_.size());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    // A compositor that does not answer at once is taken as not knowing.
    timeval wait{0, 250'000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    std::optional<std::string> answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        std::string text;
        if (protocol_ == Protocol::i3) {
            char request[i3Header];
            std::uint32_t length = 0;
            std::memcpy(request, i3Magic, 6);
            std::memcpy(request + 6, &length, 4);
            std::memcpy(request + 10, &i3GetTree, 4);
            std::string header;
            if (sendAll(fd, request, sizeof request) && readAll(fd, header, i3Header) &&
                header.compare(0, 6, i3Magic) == 0) {
                std::memcpy(&length, header.data() + 6, 4);
                if (length <= answerLimit && readAll(fd, text, length)) {
                    answer = std::move(text);
                }
            }
        } else {
            std::string request = "j/activewindow";
            if (sendAll(fd, request.data(), request.size()) && readAll(fd, text, 0)) {
                answer = std::move(text);
            }
        }
    }
    ::close(fd);
    return answer;
}

std::optional<std::int32_t> CompositorFrontApp::frontPid() {
    std::optional<std::string> answer = ask();
    if (!answer) {
        return std::nullopt;
    }
    std::optional<int> pid =
        protocol_ == Protocol::i3 ? focusedPidInTree(*answer) : topLevelPid(*answer);
    if (!pid || *pid == self_) {
        return std::nullopt;
    }
    return *pid;
}

}  // namespace tv::linux_os
