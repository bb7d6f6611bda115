#include "alerts/Apps.h"

#include <algorithm>

namespace tv {

namespace {

bool isPartOfTheSystem(const std::string& path) {
    return path.rfind("/System/Library/", 0) == 0;
}

}  // namespace

std::vector<std::size_t> Apps::topOf(const std::optional<std::string>& path,
                                     const std::vector<ProcessUsage>& processes,
                                     const ProcessUsage** found) const {
    if (!path || path->empty() || isPartOfTheSystem(*path) || path == self_.appPath) {
        return {};
    }
    auto row = std::find_if(processes.begin(), processes.end(), [&](const ProcessUsage& r) {
        return r.appPath == path && !r.system && !r.isSelf(self_);
    });
    if (row == processes.end()) {
        return {};
    }
    *found = &*row;
    std::vector<std::size_t> top;
    for (std::size_t i = 0; i < row->pids.size(); ++i) {
        std::int32_t pid = row->pids[i];
        if (pid == self_.pid) {
            continue;
        }
        auto parent = control_->parentOf(pid);
        if (!parent) {
            continue;  // gone since the list was read
        }
        bool child = std::find(row->pids.begin(), row->pids.end(), *parent) != row->pids.end();
        if (!child) {
            top.push_back(i);
        }
    }
    return top;
}

std::vector<std::int32_t> Apps::running(const std::optional<std::string>& path,
                                        const std::vector<ProcessUsage>& processes) const {
    const ProcessUsage* row = nullptr;
    std::vector<std::int32_t> pids;
    for (std::size_t i : topOf(path, processes, &row)) {
        pids.push_back(row->pids[i]);
    }
    return pids;
}

bool Apps::quit(const std::string& path, const std::vector<ProcessUsage>& processes) {
    const ProcessUsage* row = nullptr;
    bool asked = false;
    for (std::size_t i : topOf(path, processes, &row)) {
        // The list can be a minute old: a pid that now belongs to a later process is not the
        // app's, and is not signalled.
        std::uint64_t started = i < row->started.size() ? row->started[i] : 0;
        asked = control_->askToQuit(row->pids[i], started) || asked;
    }
    return asked;
}

}  // namespace tv
