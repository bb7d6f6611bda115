#pragma once

namespace tv {

// A view that can make itself shorter to fit the room its window has on the screen, instead
// of leaving the window to scroll all of it. Told each time the room changes.
class RoomFitting {
  public:
    virtual ~RoomFitting() = default;
    // The most height the view may take; 0 for no limit.
    virtual void setRoom(int height) = 0;
};

}  // namespace tv
