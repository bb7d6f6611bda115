#include "core/AppList.h"

#include <algorithm>

#include "core/Format.h"

namespace tv {

namespace AppList {

namespace {

double measure(const ProcessUsage& row, bool byCPU) {
    return byCPU ? row.cpu : static_cast<double>(row.memory);
}

}  // namespace

std::vector<ProcessUsage> rows(const std::vector<ProcessUsage>& processes, bool byCPU,
                               const std::optional<std::vector<std::string>>& heldOrder) {
    std::vector<ProcessUsage> out;
    if (heldOrder) {
        for (const std::string& id : *heldOrder) {
            auto found = std::find_if(processes.begin(), processes.end(),
                                      [&](const ProcessUsage& p) { return p.id == id; });
            if (found != processes.end()) {
                out.push_back(*found);
            }
        }
        return out;
    }
    out = processes;
    std::stable_sort(out.begin(), out.end(), [byCPU](const ProcessUsage& a, const ProcessUsage& b) {
        return measure(a, byCPU) > measure(b, byCPU);
    });
    if (out.size() > shown) {
        out.resize(shown);
    }
    return out;
}

std::vector<std::string> ids(const std::vector<ProcessUsage>& rows) {
    std::vector<std::string> out;
    for (const ProcessUsage& row : rows) {
        out.push_back(row.id);
    }
    return out;
}

std::vector<std::optional<std::size_t>> formerPlaces(const std::vector<std::string>& before,
                                                     const std::vector<std::string>& after) {
    std::vector<std::optional<std::size_t>> out;
    out.reserve(after.size());
    for (const std::string& id : after) {
        auto found = std::find(before.begin(), before.end(), id);
        out.push_back(found == before.end() ? std::nullopt
                                            : std::optional<std::size_t>(static_cast<std::size_t>(
                                                  found - before.begin())));
    }
    return out;
}

std::vector<double> shares(const std::vector<ProcessUsage>& rows, bool byCPU) {
    double largest = 1;
    if (!rows.empty()) {
        largest = 0.0001;
        for (const ProcessUsage& row : rows) {
            largest = std::max(largest, measure(row, byCPU));
        }
    }
    std::vector<double> out;
    for (const ProcessUsage& row : rows) {
        out.push_back(std::clamp(measure(row, byCPU) / largest, 0.0, 1.0));
    }
    return out;
}

std::string note(const ProcessUsage& row, bool byCPU, const SelfIdentity& self) {
    if (byCPU && row.isSelf(self)) {
        return "while open";
    }
    if (row.count >= 2) {
        return std::to_string(row.count) + " processes";
    }
    return {};
}

std::optional<std::string> ownRowTooltip(const ProcessUsage& row, bool byCPU,
                                         const SelfIdentity& self,
                                         std::optional<double> closedCost) {
    if (!byCPU || !row.isSelf(self)) {
        return std::nullopt;
    }
    std::string cost = !closedCost       ? "far less"
                       : *closedCost < 1 ? "under 1%"
                                         : Format::wholeNumber(*closedCost) + "%";
    return "Most of this is drawing this window. Closed, TallyVane uses " + cost + " CPU.";
}

std::string value(const ProcessUsage& row, bool byCPU) {
    return byCPU ? Format::wholeNumber(row.cpu) + "%" : Format::bytes(row.memory);
}

}  // namespace AppList

namespace HeldTexts {

std::string tag(Hold hold) {
    return hold == Hold::paused ? "Paused" : "Slowed";
}

std::string resumeTooltip(const Held& held) {
    if (held.hold == Hold::paused) {
        return "Let " + held.app.name + " carry on now";
    }
    return held.diskOnly ? "Give " + held.app.name + " its disk speed back"
                         : "Give " + held.app.name + " full speed again";
}

std::string tagTooltip(const Held& held) {
    return held.hold == Hold::slowed && held.diskOnly
               ? "Only the disk use of " + held.app.name + " is lowered"
               : std::string();
}

}  // namespace HeldTexts

}  // namespace tv
