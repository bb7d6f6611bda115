#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/BackgroundBand.h"
#include "platform/PrivateFolder.h"
#include "platform/ProcessControl.h"

namespace tv {

// One process, told apart from a later one that reuses its pid by when it started.
struct HeldProcess {
    std::int32_t pid = 0;
    std::uint64_t started = 0;

    bool operator==(const HeldProcess&) const = default;
};

// What a running TallyVane holds, kept on disk as plain data so that its watchdog, or the
// next start of TallyVane, can undo it: the paused processes with their start times, whether
// they are stopped by us now, and the background band's saved values. It is only ever parsed
// and undone by TallyVane itself, never executed.
struct HoldJournal {
    std::int32_t owner = 0;
    std::uint64_t ownerStarted = 0;
    // The beat is in its stopped phase: the paused processes are stopped by us. In the
    // let-run phase any of them found stopped was stopped by someone else.
    bool stopped = false;
    std::vector<HeldProcess> paused{};
    std::vector<std::string> band{};    // the band's saved lines
    std::vector<std::string> frozen{};  // groups frozen as a whole

    std::string text() const;
    // Absent for anything that is not a whole journal.
    static std::optional<HoldJournal> parse(std::string_view text);

    // "held-<owner>", the journal's file name.
    static std::string fileName(std::int32_t owner);
    static std::optional<std::int32_t> ownerOfFile(std::string_view name);

    // Continues the paused processes that are still the same processes and still stopped, and
    // thaws the frozen groups still frozen (only when they were stopped by us: in the stopped
    // phase), and gives the band's values back.
    void undo(ProcessControl& control, BackgroundBand& band) const;

    bool operator==(const HoldJournal&) const = default;
};

// Undoes and removes the journals of TallyVanes that are no longer running (or this one's,
// from an earlier process with the same pid). Returns how many were undone.
int undoLeftoverJournals(PrivateFolder& folder, std::int32_t self, ProcessControl& control,
                         BackgroundBand& band);

}  // namespace tv
