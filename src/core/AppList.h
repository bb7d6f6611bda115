#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/Held.h"
#include "core/ProcessUsage.h"
#include "core/SelfIdentity.h"

namespace tv {

// The panel's list of the apps using the most, and the texts of its rows.
namespace AppList {

inline constexpr std::size_t shown = 5;

// The first five by CPU (`byCPU`) or memory, largest first; while `heldOrder` is set, the
// apps with those ids still in `processes`, in that order instead.
std::vector<ProcessUsage> rows(const std::vector<ProcessUsage>& processes, bool byCPU,
                               const std::optional<std::vector<std::string>>& heldOrder);
std::vector<std::string> ids(const std::vector<ProcessUsage>& rows);

// For each place in `after`, the place the same id had in `before`, or none for an app that
// was not shown: what the rows slide from when the order changes.
std::vector<std::optional<std::size_t>> formerPlaces(const std::vector<std::string>& before,
                                                     const std::vector<std::string>& after);

// Each row's value over the largest shown (that largest raised to at least 0.0001).
std::vector<double> shares(const std::vector<ProcessUsage>& rows, bool byCPU);
// From this share on, a line marks the end of the share bar.
inline bool hasEdgeLine(double share) {
    return share >= 0.25;
}

// "while open" for TallyVane's own row by CPU, "12 processes" for a group, else empty.
std::string note(const ProcessUsage& row, bool byCPU, const SelfIdentity& self);
// The tooltip of TallyVane's own row by CPU; absent on other rows or by memory.
std::optional<std::string> ownRowTooltip(const ProcessUsage& row, bool byCPU,
                                         const SelfIdentity& self,
                                         std::optional<double> closedCost);
// "240%" by CPU, else the memory in bytes.
std::string value(const ProcessUsage& row, bool byCPU);

}  // namespace AppList

// The held list's texts.
namespace HeldTexts {

// "Paused" or "Slowed".
std::string tag(Hold hold);
// "Let Name carry on now" for a paused app, "Give Name full speed again" for a slowed one,
// "Give Name its disk speed back" for one whose disk use alone was lowered.
std::string resumeTooltip(const Held& held);
// What was done to the app, for the tag's tooltip, where "Slowed" alone would say more than
// was done: only its disk use was lowered. Empty otherwise.
std::string tagTooltip(const Held& held);
// "Resume all" is offered for two or more.
inline bool offersResumeAll(std::size_t heldCount) {
    return heldCount >= 2;
}

}  // namespace HeldTexts

}  // namespace tv
