#include "core/Health.h"

#include <cmath>

#include "core/Culprits.h"
#include "core/Format.h"

namespace tv {

Verdict verdictFor(int pressure, ThermalState state) {
    if (pressure > 3) {
        return {Trouble::memory, Health::critical, "Memory is critical"};
    }
    if (state == 3) {
        return {Trouble::heat, Health::critical, "Overheating"};
    }
    if (pressure > 1) {
        return {Trouble::memory, Health::warning, "Memory is tight"};
    }
    if (state == 2) {
        return {Trouble::heat, Health::warning, "Running hot"};
    }
    return {std::nullopt, Health::ok, "All good"};
}

bool hasAlert(int pressure, ThermalState state) {
    return pressure > 1 || state == 2 || state == 3;
}

std::optional<ProcessUsage> culpritFor(std::optional<Trouble> trouble,
                                       const std::vector<ProcessUsage>& rows,
                                       const SelfIdentity& self) {
    if (!trouble) {
        return std::nullopt;
    }
    if (*trouble == Trouble::memory) {
        return usingMostMemory(rows);
    }
    return workingHardest(rows, self);
}

std::optional<std::string> healthDetail(std::optional<Trouble> trouble, int pressure,
                                        ThermalState state,
                                        const std::optional<ProcessUsage>& culprit,
                                        const Vocabulary& words) {
    if (!trouble) {
        return std::nullopt;
    }
    if (*trouble == Trouble::memory) {
        if (culprit) {
            return culprit->name + " uses the most: " + Format::bytes(culprit->memory);
        }
        if (pressure < 4) {
            return std::string("Quit apps you don't need");
        }
        return "Quit apps you don't need before your " + words.computer + " freezes";
    }
    if (culprit) {
        return culprit->name + " is working hardest: " + Format::wholeNumber(culprit->cpu) +
               "% CPU";
    }
    if (state == 3) {
        return words.system + " is slowing your " + words.computer + " down a lot to cool it";
    }
    return words.system + " is starting to slow down to cool off";
}

}  // namespace tv
