#include "core/Culprits.h"

namespace tv {

std::optional<ProcessUsage> usingMostMemory(const std::vector<ProcessUsage>& rows) {
    const ProcessUsage* best = nullptr;
    for (const auto& row : rows) {
        if (best == nullptr || row.memory > best->memory) {
            best = &row;
        }
    }
    if (best == nullptr) {
        return std::nullopt;
    }
    return *best;
}

std::optional<ProcessUsage> workingHardest(const std::vector<ProcessUsage>& rows,
                                           const SelfIdentity& self) {
    const ProcessUsage* best = nullptr;
    for (const auto& row : rows) {
        if (row.isSelf(self)) {
            continue;
        }
        if (best == nullptr || row.cpu > best->cpu) {
            best = &row;
        }
    }
    if (best == nullptr || !(best->cpu >= 50.0)) {
        return std::nullopt;
    }
    return *best;
}

}  // namespace tv
