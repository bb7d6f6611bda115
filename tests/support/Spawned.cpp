#include "support/Spawned.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tv::test {

Spawned::Spawned(const std::vector<std::string>& argv, const std::string& program) {
    std::string file = program.empty() ? argv.at(0) : program;
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        // A session (and group) of its own, so the whole tree can be killed, and so its group
        // hangs on no parent's job control.
        ::setsid();
        ::execvp(file.c_str(), args.data());
        ::_exit(127);
    }
}

Spawned::~Spawned() {
    if (pid_ <= 0) {
        return;
    }
    // Descendants that made sessions or groups of their own (a shell on a pseudo-terminal),
    // as they are before the process ends and they lose their parent.
    std::vector<pid_t> below = descendantsOf(pid_);
    // Asked to end first, as a session ending asks: a program that holds others back gives
    // them back and ends its watchdog. Killing its whole tree at once would take the watchdog
    // with it and leave what it held stopped.
    bool ended = false;
    if (processState(pid_) != 'T' && ::kill(pid_, SIGTERM) == 0) {
        for (int i = 0; i < 300 && !ended; ++i) {
            ended = ::waitpid(pid_, nullptr, WNOHANG) == pid_;
            if (!ended) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
    }
    for (pid_t child : below) {
        ::kill(child, SIGKILL);
    }
    ::kill(-pid_, SIGKILL);
    if (!ended) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::unique_ptr<Spawned> spawnWithPid(pid_t pid, const std::vector<std::string>& argv) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        {
            std::ofstream last("/proc/sys/kernel/ns_last_pid");
            if (!(last << pid - 1 << std::flush)) {
                return nullptr;
            }
        }
        auto spawned = std::make_unique<Spawned>(argv);
        if (spawned->pid() == pid) {
            return spawned;
        }
    }
    return nullptr;
}

std::string outputOf(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            out += buffer;
        }
        ::pclose(pipe);
    }
    if (!out.empty() && out.back() == '\n') {
        out.pop_back();
    }
    return out;
}

std::string commOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string comm;
    std::getline(in, comm);
    return comm;
}

std::vector<pid_t> descendantsOf(pid_t ancestor) {
    std::map<pid_t, pid_t> parent;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string name = entry.path().filename();
        if (name.empty() || name[0] < '1' || name[0] > '9') {
            continue;
        }
        std::string text = textOf(entry.path() / "stat");
        std::size_t close = text.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        char state = 0;
        int ppid = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %d", &state, &ppid) == 2) {
            parent[std::stoi(name)] = ppid;
        }
    }
    std::vector<pid_t> found;
    for (const auto& [pid, ppid] : parent) {
        for (pid_t up = ppid; up > 1; up = parent.count(up) ? parent[up] : 0) {
            if (up == ancestor) {
                found.push_back(pid);
                break;
            }
        }
    }
    return found;
}

bool waitFor(double seconds, const std::function<bool()>& ready) {
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        if (ready()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ready();
}

}  // namespace tv::test

namespace tv::test {

std::string textOf(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();  // stops, without throwing, where a read fails
    return text.str();
}

char processState(pid_t pid) {
    std::string text = textOf("/proc/" + std::to_string(pid) + "/stat");
    auto close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? 0 : text[close + 2];
}

}  // namespace tv::test
