// The words of the make-way announcement.
#include "core/MakeWay.h"

namespace tv {

std::string MakeWay::list(const std::vector<std::string>& names) {
    switch (names.size()) {
        case 0:
            return {};
        case 1:
            return names[0];
        case 2:
            return names[0] + " and " + names[1];
        default:
            return names[0] + ", " + names[1] + " and " + std::to_string(names.size() - 2) +
                   " more";
    }
}

std::optional<AlertMessage> MakeWay::message(const std::vector<Held>& held,
                                             const Vocabulary& words) {
    // A slowed app on which no CPU band acts had only its disk use lowered: it is not said to
    // be slower.
    std::vector<std::string> paused, slowed, diskOnly;
    for (const Held& entry : held) {
        (entry.hold == Hold::paused ? paused
         : entry.diskOnly           ? diskOnly
                                    : slowed)
            .push_back(entry.app.name);
    }
    auto diskToo = [&] {
        return diskOnly.empty() ? std::string()
                                : " The disk use of " + list(diskOnly) + " is lowered too.";
    };
    AlertMessage m;
    m.id = "makeway";
    if (!paused.empty()) {
        m.title = "Paused " + list(paused) + " so memory can recover";
        m.body = "Your " + words.computer + " ran out of memory. ";
        m.body += paused.size() == 1
                      ? "It still runs a moment every few seconds, so it stays connected, and "
                        "gets full speed back when memory frees up."
                      : "They still run a moment every few seconds, so they stay connected, and "
                        "get full speed back when memory frees up.";
        if (!slowed.empty()) {
            m.body += " " + list(slowed) + (slowed.size() == 1 ? " is" : " are") + " slowed too.";
        }
        m.body += diskToo();
        m.sound = true;
        return m;
    }
    if (!slowed.empty()) {
        m.title = "Slowed " + list(slowed) + " to keep your " + words.computer + " quick";
        m.body = std::string(slowed.size() == 1 ? "It keeps" : "They keep") +
                 " working, just slower, until your " + words.computer + " recovers." + diskToo();
        m.sound = false;
        return m;
    }
    if (!diskOnly.empty()) {
        m.title = "Lowered the disk use of " + list(diskOnly) + " to keep your " + words.computer +
                  " quick";
        m.body = std::string(diskOnly.size() == 1 ? "Its" : "Their") +
                 " disk use gives way to yours until your " + words.computer + " recovers.";
        m.sound = false;
        return m;
    }
    return std::nullopt;
}

}  // namespace tv
