#include "makeway/WatchdogScript.h"

namespace tv {

std::string undoScript(const std::vector<std::int32_t>& paused,
                       const std::vector<std::string>& slowedUndo) {
    std::string script;
    if (!paused.empty()) {
        script += "kill -CONT";
        for (std::int32_t pid : paused) {
            script += " " + std::to_string(pid);
        }
        script += " 2>/dev/null; ";
    }
    for (const std::string& commands : slowedUndo) {
        script += commands;
    }
    return script;
}

std::string watchdogScript(std::int32_t owner, const std::string& undo) {
    return "while kill -0 " + std::to_string(owner) + " 2>/dev/null; do sleep 1; done; " + undo;
}

}  // namespace tv
