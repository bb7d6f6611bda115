#include "alerts/Apps.h"

#include <algorithm>

namespace tv {

namespace {

bool isPartOfTheSystem(const std::string& path) {
    return path.rfind("/System/Library/", 0) == 0;
}

}  // namespace

std::vector<std::int32_t> Apps::running(const std::optional<std::string>& path,
                                        const std::vector<ProcessUsage>& processes) const {
    if (!path || path->empty() || isPartOfTheSystem(*path) || path == self_.appPath) {
        return {};
    }
    auto row = std::find_if(processes.begin(), processes.end(), [&](const ProcessUsage& r) {
        return r.appPath == path && !r.system && !r.isSelf(self_);
    });
    if (row == processes.end()) {
        return {};
    }
    std::vector<std::int32_t> top;
    for (std::int32_t pid : row->pids) {
        if (pid == self_.pid) {
            continue;
        }
        auto parent = control_->parentOf(pid);
        if (!parent) {
            continue;  // gone since the list was read
        }
        bool child = std::find(row->pids.begin(), row->pids.end(), *parent) != row->pids.end();
        if (!child) {
            top.push_back(pid);
        }
    }
    return top;
}

bool Apps::quit(const std::string& path, const std::vector<ProcessUsage>& processes) {
    bool asked = false;
    for (std::int32_t pid : running(path, processes)) {
        asked = control_->askToQuit(pid) || asked;
    }
    return asked;
}

}  // namespace tv
