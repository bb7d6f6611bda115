#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/WindowPlacer.h"

namespace tv::linux_os {

// Where sway has one of a process's windows: its container id and the usable area of its
// workspace (the output less the bars), from a GET_TREE answer.
struct SwayWindow {
    std::int64_t id = 0;
    int left = 0;
    int top = 0;
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive
    int width = 0;
    int height = 0;

    // Absent when no window of `pid` has this title, or the text is not a tree.
    static std::optional<SwayWindow> find(std::string_view tree, std::int32_t pid,
                                          const std::string& title);
    // The command that floats it with its top-left at (x, y), kept inside the usable area.
    std::string moveCommand(int x, int y) const;
};

// The rect of the focused workspace (the output less the bars) in a GET_WORKSPACES answer.
std::optional<WindowPlacer::Area> focusedWorkspaceArea(std::string_view workspaces);

// Places our windows through sway's IPC: sway centres X clients' floating windows whatever
// position they ask for.
class SwayWindowPlacer : public WindowPlacer {
  public:
    SwayWindowPlacer(std::string socket, std::int32_t self)
        : socket_(std::move(socket)), self_(self) {}

    bool place(const std::string& title, int x, int y) override;
    std::optional<Area> usableArea() override;

  private:
    std::string socket_;
    std::int32_t self_;
};

}  // namespace tv::linux_os
