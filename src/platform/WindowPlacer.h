#pragma once

#include <memory>
#include <optional>
#include <string>

namespace tv {

// Puts one of our own windows where we want it on desktops whose compositor places X clients
// itself and ignores the position they ask for (sway running them through XWayland).
class WindowPlacer {
  public:
    virtual ~WindowPlacer() = default;
    // Moves this process's window titled `title` so its top-left is at (x, y), kept inside the
    // usable area of the output it is on (the bars left out). False while the compositor does
    // not know the window yet (it was shown a moment ago) or refused.
    virtual bool place(const std::string& title, int x, int y) = 0;

    struct Area {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };
    // The usable area of the output in use (less the bars, which X clients are not told of);
    // absent when the desktop does not say.
    virtual std::optional<Area> usableArea() = 0;
};

namespace platform {
// The placer for this session; null where windows place themselves.
std::unique_ptr<WindowPlacer> windowPlacer();
}  // namespace platform

}  // namespace tv
