#include "platform/linux/focus/CompositorFrontApp.h"

#include <unistd.h>

#include "platform/linux/focus/FocusJson.h"
#include "platform/linux/focus/I3Ipc.h"

namespace tv::linux_os {

CompositorFrontApp::CompositorFrontApp(Protocol protocol, std::string socket, std::int32_t self)
    : protocol_(protocol), socket_(std::move(socket)), self_(self) {}

std::optional<std::string> CompositorFrontApp::ask(const std::string& hyprlandRequest) {
    if (protocol_ == Protocol::i3) {
        return I3Ipc(socket_).ask(I3Ipc::getTree);
    }
    int fd = connectUnixSocket(socket_, compositorAnswerWaitMs);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> answer;
    std::string text;
    if (sendAll(fd, hyprlandRequest.data(), hyprlandRequest.size()) &&
        readAll(fd, text, 0, compositorAnswerLimit)) {
        answer = std::move(text);
    }
    ::close(fd);
    return answer;
}

std::optional<std::int32_t> CompositorFrontApp::frontPid() {
    std::optional<std::string> answer = ask("j/activewindow");
    if (!answer) {
        return std::nullopt;
    }
    std::optional<int> pid =
        protocol_ == Protocol::i3 ? focusedPidInTree(*answer) : topLevelPid(*answer);
    if (!pid) {
        return std::nullopt;
    }
    if (*pid != self_) {
        lastApp_.store(*pid);
        return *pid;
    }
    std::int32_t before = lastApp_.load();
    std::optional<std::string> windows = before == 0                 ? std::nullopt
                                         : protocol_ == Protocol::i3 ? answer
                                                                     : ask("j/clients");
    if (windows && hasWindowOf(*windows, before)) {
        return before;
    }
    lastApp_.store(0);  // its window closed meanwhile: nothing known is in front
    return std::nullopt;
}

}  // namespace tv::linux_os
