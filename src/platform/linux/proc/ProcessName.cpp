#include "platform/linux/proc/ProcessName.h"

#include <unistd.h>

#include <fstream>

namespace tv::linux_os {

std::string processName(pid_t pid, const std::string& procRoot) {
    if (pid <= 0) {
        return {};
    }
    std::string dir = procRoot + "/" + std::to_string(pid);
    std::string name;
    std::ifstream comm(dir + "/comm");
    if (std::getline(comm, name) && !name.empty()) {
        return name;
    }
    char target[4096];
    ssize_t length = ::readlink((dir + "/exe").c_str(), target, sizeof target - 1);
    if (length <= 0) {
        return {};
    }
    std::string path(target, static_cast<std::size_t>(length));
    return path.substr(path.rfind('/') + 1);
}

}  // namespace tv::linux_os
