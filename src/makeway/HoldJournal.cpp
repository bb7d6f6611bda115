#include "makeway/HoldJournal.h"

#include <charconv>

namespace tv {

namespace {

constexpr std::string_view header = "TallyVane hold journal 1";
constexpr std::string_view prefix = "held-";

template <typename Number>
std::optional<Number> number(std::string_view text) {
    Number value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Splits off the text up to the next space.
std::string_view word(std::string_view& text) {
    std::size_t space = text.find(' ');
    std::string_view out = text.substr(0, space);
    text = space == std::string_view::npos ? std::string_view{} : text.substr(space + 1);
    return out;
}

bool printable(std::string_view text) {
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string HoldJournal::text() const {
    std::string out(header);
    out += "\nowner " + std::to_string(owner) + " " + std::to_string(ownerStarted);
    out += stopped ? "\nphase stopped" : "\nphase running";
    for (const HeldProcess& process : paused) {
        out += "\npaused " + std::to_string(process.pid) + " " + std::to_string(process.started);
    }
    for (const std::string& line : band) {
        if (printable(line)) {
            out += "\nband " + line;
        }
    }
    for (const std::string& group : frozen) {
        if (printable(group) && group.find(' ') == std::string::npos) {
            out += "\nfrozen " + group;
        }
    }
    out += '\n';
    return out;
}

std::optional<HoldJournal> HoldJournal::parse(std::string_view text) {
    if (text.size() <= header.size() || text.substr(0, header.size()) != header ||
        text[header.size()] != '\n' || text.back() != '\n') {
        return std::nullopt;
    }
    HoldJournal journal;
    bool hasOwner = false, hasPhase = false;
    text.remove_prefix(header.size() + 1);
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!printable(line)) {
            return std::nullopt;
        }
        std::string_view rest = line;
        std::string_view key = word(rest);
        if (key == "owner" || key == "paused") {
            auto pid = number<std::int32_t>(word(rest));
            auto started = number<std::uint64_t>(word(rest));
            if (!pid || *pid <= 0 || !started || !rest.empty()) {
                return std::nullopt;
            }
            if (key == "owner") {
                journal.owner = *pid;
                journal.ownerStarted = *started;
                hasOwner = true;
            } else {
                journal.paused.push_back({*pid, *started});
            }
        } else if (key == "phase" && (rest == "stopped" || rest == "running")) {
            journal.stopped = rest == "stopped";
            hasPhase = true;
        } else if (key == "band" && !rest.empty()) {
            journal.band.emplace_back(rest);
        } else if (key == "frozen" && !rest.empty() && rest.find(' ') == std::string_view::npos) {
            journal.frozen.emplace_back(rest);
        } else {
            return std::nullopt;
        }
    }
    if (!hasOwner || !hasPhase) {
        return std::nullopt;
    }
    return journal;
}

std::string HoldJournal::fileName(std::int32_t owner) {
    return std::string(prefix) + std::to_string(owner);
}

std::optional<std::int32_t> HoldJournal::ownerOfFile(std::string_view name) {
    if (name.substr(0, prefix.size()) != prefix) {
        return std::nullopt;
    }
    auto owner = number<std::int32_t>(name.substr(prefix.size()));
    return owner && *owner > 0 ? owner : std::nullopt;
}

void HoldJournal::undo(ProcessControl& control, BackgroundBand& bandOfThisMachine) const {
    if (stopped) {
        for (const HeldProcess& process : paused) {
            // Only a process we stopped is continued: the same process, still stopped.
            if (control.isStopped(process.pid)) {
                control.resume(process.pid, process.started);
            }
        }
        for (const std::string& group : frozen) {
            if (control.isFrozen(group)) {
                control.freeze(group, false);
            }
        }
    }
    for (const std::string& line : band) {
        bandOfThisMachine.restore(line);
    }
}

int undoLeftoverJournals(PrivateFolder& folder, std::int32_t self, ProcessControl& control,
                         BackgroundBand& band) {
    int undone = 0;
    for (const std::string& name : folder.names()) {
        auto owner = HoldJournal::ownerOfFile(name);
        if (!owner) {
            continue;
        }
        auto text = folder.read(name);
        auto journal = text ? HoldJournal::parse(*text) : std::nullopt;
        if (!journal || journal->owner != *owner) {
            continue;  // not a journal of ours: left as it is
        }
        bool running = *owner != self && control.startedAt(*owner) == journal->ownerStarted;
        if (running) {
            continue;  // another TallyVane still holds these
        }
        journal->undo(control, band);
        folder.remove(name);
        ++undone;
    }
    return undone;
}

}  // namespace tv
