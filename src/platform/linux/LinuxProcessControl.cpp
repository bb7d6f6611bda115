#include "platform/linux/LinuxProcessControl.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "core/ProcessNaming.h"
#include "platform/linux/ProcFile.h"
#include "platform/linux/ProcStat.h"

namespace tv::linux_os {

namespace {

std::optional<ProcStat> statOf(const std::string& root, std::int32_t pid) {
    auto text = readFile(root + "/proc/" + std::to_string(pid) + "/stat");
    return text ? parseProcStat(*text) : std::nullopt;
}

}  // namespace

bool LinuxProcessControl::stop(std::int32_t pid) {
    return pid > 0 && ::kill(pid, SIGSTOP) == 0;
}

bool LinuxProcessControl::resume(std::int32_t pid) {
    return pid > 0 && ::kill(pid, SIGCONT) == 0;
}

bool LinuxProcessControl::exists(std::int32_t pid) {
    return pid > 0 && ::kill(pid, 0) == 0;
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

std::optional<std::int32_t> LinuxProcessControl::parentOf(std::int32_t pid) {
    auto stat = statOf(root_, pid);
    return stat ? std::optional<std::int32_t>(stat->ppid) : std::nullopt;
}

bool LinuxProcessControl::askToQuit(std::int32_t pid) {
    return pid > 0 && ::kill(pid, SIGTERM) == 0;
}

std::int32_t LinuxWatchdogLauncher::start(const std::string& script) {
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
        ::execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
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
        ::waitpid(pid, nullptr, 0);
        return 0;
    }
    return pid;
}

void LinuxWatchdogLauncher::end(std::int32_t pid) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGTERM);
    // The shell may be inside "sleep 1"; it ends at the signal, and is reaped here.
    ::waitpid(pid, nullptr, 0);
}

}  // namespace tv::linux_os
