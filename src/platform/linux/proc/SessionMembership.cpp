#include "platform/linux/proc/SessionMembership.h"

#include "platform/linux/desktop/SessionEnvironment.h"
#include "platform/linux/proc/AppScope.h"
#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

namespace {

// The value of `key` in an environment block of NUL-separated "KEY=value" entries; absent
// when it is not set.
std::optional<std::string_view> valueIn(std::string_view environ, std::string_view key) {
    while (!environ.empty()) {
        std::size_t end = environ.find('\0');
        std::string_view entry = environ.substr(0, end);
        if (entry.size() > key.size() && entry.substr(0, key.size()) == key &&
            entry[key.size()] == '=') {
            return entry.substr(key.size() + 1);
        }
        if (end == std::string_view::npos) {
            break;
        }
        environ.remove_prefix(end + 1);
    }
    return std::nullopt;
}

// "wayland-0" and "/run/user/1000/wayland-0" name the same socket of the user's runtime folder.
std::string_view socketName(std::string_view wayland) {
    std::size_t slash = wayland.rfind('/');
    return slash == std::string_view::npos ? wayland : wayland.substr(slash + 1);
}

}  // namespace

std::string loginSessionOf(std::string_view cgroup) {
    constexpr std::string_view prefix = "/session-";
    constexpr std::string_view suffix = ".scope";
    std::size_t at = cgroup.find(prefix);
    if (at == std::string_view::npos) {
        return {};
    }
    std::string_view rest = cgroup.substr(at + prefix.size());
    std::size_t end = rest.find(suffix);
    if (end == std::string_view::npos || end == 0) {
        return {};
    }
    std::string_view id = rest.substr(0, end);
    std::size_t after = end + suffix.size();
    if (after < rest.size() && rest[after] != '/') {
        return {};
    }
    return id.find('/') == std::string_view::npos ? std::string(id) : std::string();
}

std::string displayNumber(std::string_view display) {
    std::size_t colon = display.rfind(':');
    if (colon == std::string_view::npos) {
        return {};
    }
    std::string_view host = display.substr(0, colon);
    if (!host.empty() && host != "unix") {
        return {};  // forwarded or remote: never a local session's own display
    }
    std::string_view number = display.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos) {
        return {};
    }
    return std::string(number);
}

SessionMembership SessionMembership::ofThisProcess(std::string_view cgroup) {
    Facts facts;
    facts.loginSession = loginSessionOf(cgroup);
    if (facts.loginSession.empty()) {
        facts.loginSession = environmentValue("XDG_SESSION_ID");
    }
    facts.display = environmentValue("DISPLAY");
    facts.wayland = environmentValue("WAYLAND_DISPLAY");
    facts.ssh = environmentValue("SSH_CONNECTION");
    return SessionMembership(std::move(facts));
}

SessionMembership SessionMembership::ofThisProcess() {
    auto text = readFile("/proc/self/cgroup");
    return ofThisProcess(text ? cgroupPath(*text) : std::string());
}

std::optional<bool> SessionMembership::byCgroup(std::string_view cgroup) const {
    std::string session = loginSessionOf(cgroup);
    if (session.empty() || facts_.loginSession.empty()) {
        return std::nullopt;
    }
    return session == facts_.loginSession;
}

bool SessionMembership::byEnvironment(std::string_view environ) const {
    auto display = valueIn(environ, "DISPLAY");
    auto wayland = valueIn(environ, "WAYLAND_DISPLAY");
    bool namesDisplay = (display && !display->empty()) || (wayland && !wayland->empty());
    if (namesDisplay) {
        std::string ours = displayNumber(facts_.display);
        bool sameX = display && !ours.empty() && displayNumber(*display) == ours;
        bool sameWayland = wayland && !facts_.wayland.empty() && !wayland->empty() &&
                           socketName(*wayland) == socketName(facts_.wayland);
        return sameX || sameWayland;
    }
    if (auto ssh = valueIn(environ, "SSH_CONNECTION"); ssh && !ssh->empty() && *ssh != facts_.ssh) {
        return false;
    }
    if (auto session = valueIn(environ, "XDG_SESSION_ID"); session && !session->empty() &&
                                                           !facts_.loginSession.empty() &&
                                                           *session != facts_.loginSession) {
        return false;
    }
    return true;
}

std::string SessionMembership::describe() const {
    std::string out;
    if (!facts_.loginSession.empty()) {
        out = "login session " + facts_.loginSession +
              " (a process in another login session's scope is another login's); elsewhere ";
    } else {
        out = "no login session here; ";
    }
    out += "by what each process started with: ";
    std::string displays;
    if (!facts_.display.empty()) {
        displays = "X display " + facts_.display;
    }
    if (!facts_.wayland.empty()) {
        displays +=
            (displays.empty() ? "" : " or ") + std::string("Wayland display ") + facts_.wayland;
    }
    if (displays.empty()) {
        out += "TallyVane has no display, so every process that names one is another session's";
    } else {
        out += "naming " + displays +
               " is this session's, naming another display is another "
               "graphical login's or seat's";
    }
    out +=
        "; another SSH connection (and tmux servers started there) or another login "
        "session's id is that login's; naming none of these counts as this session's. "
        "Only this session's processes are held back or offered to quit";
    return out;
}

}  // namespace tv::linux_os
