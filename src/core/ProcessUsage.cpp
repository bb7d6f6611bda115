#include "core/ProcessUsage.h"

#include <string_view>

namespace tv {

bool ProcessUsage::isSelf(const SelfIdentity& self) const {
    if (appPath && self.appPath && *appPath == *self.appPath) {
        return true;
    }
    return id == "pid:" + std::to_string(self.pid);
}

std::set<std::int32_t> pidsOfApps(const std::set<std::string>& appIds,
                                  const std::vector<ProcessUsage>& rows) {
    constexpr std::string_view suffix = ".desktop";
    std::set<std::int32_t> pids;
    for (const ProcessUsage& row : rows) {
        if (!row.appPath || appIds.empty()) {
            continue;
        }
        std::string_view path = *row.appPath;
        std::size_t slash = path.rfind('/');
        std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
        if (file.size() > suffix.size() && file.substr(file.size() - suffix.size()) == suffix &&
            appIds.count(std::string(file.substr(0, file.size() - suffix.size()))) > 0) {
            pids.insert(row.pids.begin(), row.pids.end());
        }
    }
    return pids;
}

}  // namespace tv
