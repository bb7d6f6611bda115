#pragma once

#include <optional>
#include <string>

namespace tv {

// The reading rows of the panel, in screen order (also the order of keyboard movement).
enum class Panel { cpu, memory, gpu, heat };

namespace PanelCase {

inline constexpr int count = 4;

// The stored text value: "cpu", "memory", "gpu", "heat".
std::string text(Panel panel);
// The case stored as `text`; absent for anything else.
std::optional<Panel> parse(const std::string& text);
// One step toward the end (`step` > 0) or the start, stopping at the first and last case.
Panel moved(Panel panel, int step);

}  // namespace PanelCase

}  // namespace tv
