#pragma once

#include <cstdint>
#include <string>

namespace tv {

// The scheduling band for work that may wait: whatever the user runs in front is served first.
// Every change is one the same unprivileged user can undo.
class BackgroundBand {
  public:
    virtual ~BackgroundBand() = default;

    // Someone else already put the process in the band (it is then neither touched nor
    // restored).
    virtual bool isLowered(std::int32_t pid) = 0;
    // Moves every thread of the process into the band, remembering what each had before; true
    // when the process is now held in the band by us.
    virtual bool slow(std::int32_t pid) = 0;
    // Moves threads the process started since `slow` into the band too.
    virtual void follow(std::int32_t pid) = 0;
    // Gives back to each thread what it had, where the value is still the one we set.
    virtual void unslow(std::int32_t pid) = 0;
    // Shell commands that undo what `slow` did to the process, for the watchdog.
    virtual std::string undoCommands(std::int32_t pid) const = 0;
};

}  // namespace tv
