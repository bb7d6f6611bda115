#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/BackgroundBand.h"
#include "platform/PrivateFolder.h"
#include "platform/ProcessControl.h"

namespace tv {

// The watchdog: a small mode of this program that waits for TallyVane (its owner) to die, or
// to stay stopped (Ctrl-Z, a debugger, a freezer) longer than `stoppedGrace`, and then undoes
// everything the owner's journal records and removes it. It reads the journal only then, so
// it follows every change of what is held without being restarted.
//
//   <program> --watchdog <journal folder> <owner pid> <owner start time>
struct Watchdog {
    static constexpr std::chrono::milliseconds poll{250};
    static constexpr std::chrono::milliseconds stoppedGrace{3000};

    static std::vector<std::string> arguments(const std::string& folder, std::int32_t owner,
                                              std::uint64_t ownerStarted);
    // This program was started as a watchdog.
    static bool called(int argc, char** argv);
    // Runs the watchdog mode with the platform's own parts; the program's exit code (0 after
    // it let everything go).
    static int run(int argc, char** argv);
    static int watch(PrivateFolder& folder, std::int32_t owner, std::uint64_t ownerStarted,
                     ProcessControl& control, BackgroundBand& band);
};

}  // namespace tv
