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

}  // namespace tv
