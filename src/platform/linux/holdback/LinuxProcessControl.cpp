#include "platform/linux/holdback/LinuxProcessControl.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <string_view>

#include "core/ProcessNaming.h"
#include "platform/linux/proc/ProcFile.h"
#include "platform/linux/proc/ProcStat.h"

namespace tv::linux_os {

namespace {

std::optional<ProcStat> statOf(const std::string& root, std::int32_t pid) {
    if (pid <= 0) {
        return std::nullopt;
    }
    auto text = readFile(root + "/proc/" + std::to_string(pid) + "/stat");
    return text ? parseProcStat(*text) : std::nullopt;
}

// Programs that run another as a different user and stop themselves when it stops.
bool isUserSwitchWrapper(std::string_view comm) {
    constexpr std::array<std::string_view, 6> names{"su",   "sudo",   "runuser",
                                                    "doas", "pkexec", "setpriv"};
    for (std::string_view name : names) {
        if (comm == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool LinuxProcessControl::signal(std::int32_t pid, std::uint64_t started, int number) {
    if (pid <= 0) {
        return false;
    }
    int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0 && errno != ENOSYS) {
        return false;  // no such process
    }
    // With the pidfd open the pid names this process until the descriptor closes, so a start
    // time that matches now still matches when the signal is sent.
    bool same = started == 0 || startedAt(pid) == started;
    bool sent = false;
    if (same) {
        sent = fd >= 0 ? ::syscall(SYS_pidfd_send_signal, fd, number, nullptr, 0) == 0
                       : ::kill(pid, number) == 0;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return sent;
}

bool LinuxProcessControl::stop(std::int32_t pid, std::uint64_t started) {
    return signal(pid, started, SIGSTOP);
}

bool LinuxProcessControl::resume(std::int32_t pid, std::uint64_t started) {
    return signal(pid, started, SIGCONT);
}

std::optional<std::uint64_t> LinuxProcessControl::startedAt(std::int32_t pid) {
    auto stat = statOf(root_, pid);
    if (!stat || stat->state == 'Z' || stat->state == 'X') {
        return std::nullopt;
    }
    return stat->starttime;
}

bool LinuxProcessControl::isStopped(std::int32_t pid) {
    auto stat = statOf(root_, pid);
    return stat && (stat->state == 'T' || stat->state == 't');
}

bool LinuxProcessControl::isTyped(std::int32_t pid) {
    auto stat = statOf(root_, pid);
    auto parent = stat ? statOf(root_, stat->ppid) : std::nullopt;
    return parent && ProcessNaming::isTypedCommand(stat->pgrp, parent->pgrp, parent->comm);
}

bool LinuxProcessControl::stopHasSideEffects(std::int32_t pid) {
    auto stat = statOf(root_, pid);
    auto parent = stat ? statOf(root_, stat->ppid) : std::nullopt;
    if (!parent) {
        return false;
    }
    // A group whose parent sits in another group of the same session is orphaned when that
    // parent ends, and the kernel then hangs up every group with a stopped member.
    bool hangsOnParent = stat->pgrp != parent->pgrp && stat->session == parent->session;
    return hangsOnParent || isUserSwitchWrapper(parent->comm);
}

std::optional<std::int32_t> LinuxProcessControl::parentOf(std::int32_t pid) {
    auto stat = statOf(root_, pid);
    return stat ? std::optional<std::int32_t>(stat->ppid) : std::nullopt;
}

bool LinuxProcessControl::askToQuit(std::int32_t pid, std::uint64_t started) {
    return signal(pid, started, SIGTERM);
}

std::string LinuxProcessControl::unifiedRoot() const {
    for (const char* where : {"/sys/fs/cgroup", "/sys/fs/cgroup/unified"}) {
        std::string path = (root_ == "/" ? std::string() : root_) + where;
        if (::access((path + "/cgroup.controllers").c_str(), F_OK) == 0) {
            return path;
        }
    }
    return {};
}

std::string LinuxProcessControl::folderOf(const std::string& group) const {
    // Names as systemd and the kernel write them; nothing that could leave the hierarchy.
    bool wellFormed = group.size() > 1 && group[0] == '/' && group.find("/.") == std::string::npos;
    for (char c : group) {
        wellFormed = wellFormed && (std::isalnum(static_cast<unsigned char>(c)) ||
                                    std::string_view("/-_.@:\\").find(c) != std::string_view::npos);
    }
    std::string root = unifiedRoot();
    return wellFormed && !root.empty() ? root + group : std::string();
}

std::string LinuxProcessControl::groupOf(std::int32_t pid) {
    auto text = readFile(root_ + "/proc/" + std::to_string(pid) + "/cgroup");
    std::string group;
    if (text) {
        forEachLine(*text, [&](std::string_view line) {
            if (line.substr(0, 3) == "0::") {
                group = std::string(line.substr(3));
            }
        });
    }
    std::string folder = folderOf(group);
    if (folder.empty() || ::access((folder + "/cgroup.freeze").c_str(), W_OK) != 0) {
        return {};
    }
    return group;
}

std::vector<std::int32_t> LinuxProcessControl::groupMembers(const std::string& group) {
    std::vector<std::int32_t> members;
    std::string folder = folderOf(group);
    auto text = folder.empty() ? std::nullopt : readFile(folder + "/cgroup.procs");
    if (text) {
        forEachLine(*text, [&](std::string_view line) {
            if (auto pid = parseUnsigned(line); pid && *pid > 0 && *pid < 0x40000000) {
                members.push_back(static_cast<std::int32_t>(*pid));
            }
        });
    }
    return members;
}

bool LinuxProcessControl::isFrozen(const std::string& group) {
    std::string folder = folderOf(group);
    auto text = folder.empty() ? std::nullopt : readFile(folder + "/cgroup.freeze");
    return text && !text->empty() && (*text)[0] == '1';
}

bool LinuxProcessControl::freeze(const std::string& group, bool frozen) {
    std::string folder = folderOf(group);
    if (folder.empty()) {
        return false;
    }
    int fd =
        ::open((folder + "/cgroup.freeze").c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = ::write(fd, frozen ? "1" : "0", 1) == 1;
    ::close(fd);
    return ok;
}

std::string LinuxProcessControl::describePause() {
    const std::string signals =
        "stop/continue signals (SIGSTOP/SIGCONT), each only to the process with the recorded "
        "start time; a process whose stop has job-control side effects (a group that could be "
        "orphaned, a su/sudo/runuser child) is not paused";
    std::string unified = unifiedRoot();
    if (unified.empty()) {
        return signals + "; no cgroup v2 hierarchy to freeze apps' own groups";
    }
    return "an app alone in a cgroup v2 group (its own systemd scope or service) is frozen "
           "(cgroup.freeze under " +
           unified + ", where writable by us); otherwise " + signals;
}

LinuxWatchdogLauncher::~LinuxWatchdogLauncher() {
    reapEnded();
}

std::int32_t LinuxWatchdogLauncher::start(const std::vector<std::string>& arguments) {
    reapEnded();
    std::vector<const char*> argv{"tallyvane"};
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    // The pipe closes when the child execs; a byte in it means the exec failed.
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        return 0;
    }
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return 0;
    }
    if (pid == 0) {
        ::close(ready[0]);
        ::setsid();
        int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        // Nothing of TallyVane's stays open in the watchdog but the pipe, closed by the exec.
        int keep = ::dup2(ready[1], 3);
        if (::close_range(4, ~0U, 0) != 0) {
            for (int fd = 4; fd < 65536; ++fd) {
                ::close(fd);
            }
        }
        ::fcntl(keep, F_SETFD, FD_CLOEXEC);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execv(program_.c_str(), const_cast<char* const*>(argv.data()));
        char failed = 1;
        [[maybe_unused]] ssize_t written = ::write(keep, &failed, 1);
        ::_exit(127);
    }
    ::close(ready[1]);
    char failed = 0;
    ssize_t got;
    do {
        got = ::read(ready[0], &failed, 1);
    } while (got < 0 && errno == EINTR);
    ::close(ready[0]);
    if (got > 0) {
        ::waitpid(pid, nullptr, 0);  // it has already exited
        return 0;
    }
    return pid;
}

void LinuxWatchdogLauncher::end(std::int32_t pid) {
    if (pid <= 0 || reaped_.erase(pid) > 0) {
        return;
    }
    // SIGKILL ends even a stopped watchdog. It is given a moment to go, so that it is reaped
    // now rather than left a zombie until the next hold; one that cannot go at once (stuck in
    // the kernel) is reaped later, never waited for.
    int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    ::kill(pid, SIGKILL);
    if (fd >= 0) {
        pollfd gone{fd, POLLIN, 0};
        while (::poll(&gone, 1, endingWaitMs) < 0 && errno == EINTR) {
        }
        ::close(fd);
    }
    ending_.insert(pid);
    reapEnded();
}

void LinuxWatchdogLauncher::reapEnded() {
    for (auto pid = ending_.begin(); pid != ending_.end();) {
        pid_t got = ::waitpid(*pid, nullptr, WNOHANG);
        pid = got == 0 ? std::next(pid) : ending_.erase(pid);
    }
}

WatchdogLauncher::Health LinuxWatchdogLauncher::health(std::int32_t pid) {
    reapEnded();
    if (pid <= 0) {
        return Health::ended;
    }
    if (auto known = reaped_.find(pid); known != reaped_.end()) {
        return known->second;
    }
    int status = 0;
    pid_t got = ::waitpid(pid, &status, WNOHANG | WUNTRACED | WCONTINUED);
    if (got == pid && (WIFEXITED(status) || WIFSIGNALED(status))) {
        Health how =
            WIFEXITED(status) && WEXITSTATUS(status) == 0 ? Health::released : Health::ended;
        reaped_[pid] = how;
        return how;
    }
    if (got < 0) {
        return Health::ended;
    }
    auto stat = statOf("/", pid);
    return stat && (stat->state == 'T' || stat->state == 't') ? Health::stopped : Health::working;
}

}  // namespace tv::linux_os
