#include "core/Panel.h"

#include <algorithm>
#include <array>

namespace tv::PanelCase {

namespace {

constexpr std::array<const char*, count> names{"cpu", "memory", "gpu", "heat"};

}  // namespace

std::string text(Panel panel) {
    return names[static_cast<std::size_t>(panel)];
}

std::optional<Panel> parse(const std::string& text) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (text == names[i]) {
            return static_cast<Panel>(i);
        }
    }
    return std::nullopt;
}

Panel moved(Panel panel, int step) {
    int to = std::clamp(static_cast<int>(panel) + (step > 0 ? 1 : step < 0 ? -1 : 0), 0, count - 1);
    return static_cast<Panel>(to);
}

}  // namespace tv::PanelCase
