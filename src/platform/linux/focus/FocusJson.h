#pragma once

#include <optional>
#include <string_view>

namespace tv::linux_os {

// The pid of the focused window in a sway/i3 GET_TREE answer: the object with "focused":
// true and a "pid", at any depth. Absent when the focus is on no window (an empty
// workspace) or the text is not well-formed JSON.
std::optional<int> focusedPidInTree(std::string_view json);

// Whether some object in the answer (a window of a GET_TREE answer, a client of Hyprland's
// "j/clients") belongs to this pid. False when the text is not well-formed JSON.
bool hasWindowOf(std::string_view json, int pid);

// The "pid" of the top-level object, as in Hyprland's "j/activewindow" answer ("{}" when
// no window has focus). Absent when there is none or the text is not well-formed JSON.
std::optional<int> topLevelPid(std::string_view json);

}  // namespace tv::linux_os
