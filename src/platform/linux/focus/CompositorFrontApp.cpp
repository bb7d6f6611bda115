#include "platform/linux/focus/CompositorFrontApp.h"

#include <unistd.h>

#include "platform/linux/focus/FocusJson.h"
#include "platform/linux/focus/I3Ipc.h"

namespace tv::linux_os {

CompositorFrontApp::CompositorFrontApp(Protocol protocol, std::string socket, std::int32_t self)
    : protocol_(protocol), socket_(std::move(socket)), self_(self) {}

std::optional<std::string> CompositorFrontApp::ask() {
    if (protocol_ == Protocol::i3) {
        return I3Ipc(socket_).ask(I3Ipc::getTree);
    }
    int fd = connectUnixSocket(socket_, compositorAnswerWaitMs);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> answer;
    std::string request = "j/activewindow";
    std::string text;
    if (sendAll(fd, request.data(), request.size()) &&
        readAll(fd, text, 0, compositorAnswerLimit)) {
        answer = std::move(text);
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
