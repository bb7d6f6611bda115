#include "platform/linux/holdback/SessionAutogroups.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/linux/proc/ProcFile.h"
#include "platform/linux/proc/ProcStat.h"

namespace tv::linux_os {

namespace {

// Whether a comma-separated controller list names `controller`.
bool namesController(std::string_view list, std::string_view controller) {
    while (!list.empty()) {
        std::size_t comma = list.find(',');
        if (list.substr(0, comma) == controller) {
            return true;
        }
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return false;
}

}  // namespace

SessionAutogroups::SessionAutogroups(std::string root) : root_(std::move(root)) {
    if (root_ == "/") {
        root_.clear();
    }
}

std::string SessionAutogroups::procPath(std::int32_t pid, const char* file) const {
    return root_ + "/proc/" + std::to_string(pid) + "/" + file;
}

bool SessionAutogroups::enabled() const {
    auto text = readFile(root_ + "/proc/sys/kernel/sched_autogroup_enabled");
    return text && !text->empty() && (*text)[0] == '1';
}

std::optional<SessionAutogroups::Group> SessionAutogroups::parse(std::string_view text) {
    constexpr std::string_view head = "/autogroup-";
    if (text.substr(0, head.size()) != head) {
        return std::nullopt;
    }
    text.remove_prefix(head.size());
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    auto id = parseUnsigned(nextField(text));
    std::string_view word = nextField(text);
    std::string_view niceText = nextField(text);
    bool negative = !niceText.empty() && niceText[0] == '-';
    auto nice = parseUnsigned(negative ? niceText.substr(1) : niceText);
    if (!id || word != "nice" || !nice || *nice > 20 || !nextField(text).empty()) {
        return std::nullopt;
    }
    int value = static_cast<int>(*nice) * (negative ? -1 : 1);
    if (value < -20 || value > 19) {
        return std::nullopt;
    }
    return Group{*id, value};
}

std::optional<SessionAutogroups::Group> SessionAutogroups::of(std::int32_t pid) const {
    auto text = readFile(procPath(pid, "autogroup"));
    return text ? parse(*text) : std::nullopt;
}

// On a pure cgroup v2 machine whose root passes the cpu controller down, every process
// outside the root group is weighed by its cgroup, not its autogroup.
bool SessionAutogroups::cpuControllerBelowRoot() const {
    auto text = readFile(root_ + "/sys/fs/cgroup/cgroup.subtree_control");
    if (!text) {
        return false;
    }
    std::string_view rest = *text;
    for (std::string_view name = nextField(rest); !name.empty(); name = nextField(rest)) {
        if (name == "cpu" || name == "cpu\n") {
            return true;
        }
    }
    return false;
}

bool SessionAutogroups::decides(std::int32_t pid) const {
    if (!enabled()) {
        return false;
    }
    auto text = readFile(procPath(pid, "cgroup"));
    if (!text) {
        return false;
    }
    std::optional<bool> byV1;
    std::string unifiedPath;
    forEachLine(*text, [&](std::string_view line) {
        std::size_t first = line.find(':');
        std::size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
        if (second == std::string_view::npos) {
            return;
        }
        std::string_view controllers = line.substr(first + 1, second - first - 1);
        std::string_view path = line.substr(second + 1);
        if (namesController(controllers, "cpu")) {
            byV1 = path == "/";
        } else if (line.substr(0, first) == "0" && controllers.empty()) {
            unifiedPath = std::string(path);
        }
    });
    if (byV1) {
        return *byV1;
    }
    return unifiedPath.empty() || unifiedPath == "/" || !cpuControllerBelowRoot();
}

std::vector<std::int32_t> SessionAutogroups::sessionMembers(int session) const {
    std::vector<std::int32_t> members;
    for (const std::string& name : listDirectory(root_ + "/proc")) {
        if (name.empty() || name[0] < '1' || name[0] > '9') {
            continue;
        }
        auto pid = parseUnsigned(name);
        auto text = pid ? readFile(root_ + "/proc/" + name + "/stat") : std::nullopt;
        auto stat = text ? parseProcStat(*text) : std::nullopt;
        if (stat && stat->session == session) {
            members.push_back(static_cast<std::int32_t>(*pid));
        }
    }
    return members;
}

bool SessionAutogroups::setNice(std::int32_t pid, int nice) const {
    const std::string text = std::to_string(nice);
    for (int attempt = 0; attempt < 4; ++attempt) {
        int fd = ::open(procPath(pid, "autogroup").c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        int error = errno;
        ::close(fd);
        if (ok) {
            return true;
        }
        if (error != EAGAIN) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(110));
    }
    return false;
}

}  // namespace tv::linux_os
