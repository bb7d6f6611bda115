#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// The commands that undo every hold: continue the paused processes, then give the slowed
// ones back their scheduling.
std::string undoScript(const std::vector<std::int32_t>& paused,
                       const std::vector<std::string>& slowedUndo);

// The watchdog: waits, polling once a second, for `owner` to die, then undoes everything.
std::string watchdogScript(std::int32_t owner, const std::string& undo);

}  // namespace tv
