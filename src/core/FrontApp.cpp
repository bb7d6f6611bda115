#include "core/FrontApp.h"

namespace tv {

std::optional<std::string> chooseFrontApp(const std::vector<FrontAppCandidate>& candidates) {
    for (const FrontAppCandidate& candidate : candidates) {
        if (candidate.isSelf) {
            continue;
        }
        if (!candidate.appPath) {
            return std::nullopt;
        }
        const std::string& path = *candidate.appPath;
        std::size_t nested = path.find(".app/");
        if (nested == std::string::npos) {
            return path;
        }
        return path.substr(0, nested) + ".app";
    }
    return std::nullopt;
}

std::optional<std::string> frontAppOfPid(std::int32_t pid, const std::vector<ProcessUsage>& rows) {
    for (const ProcessUsage& row : rows) {
        for (std::int32_t member : row.pids) {
            if (member == pid) {
                return row.appPath ? *row.appPath : row.id;
            }
        }
    }
    return std::nullopt;
}

}  // namespace tv
