#include "core/Vocabulary.h"

namespace tv {

const Vocabulary& Vocabulary::forMac() {
    static const Vocabulary words{"Mac",
                                  "macOS",
                                  "Activity Monitor",
                                  "Finder",
                                  "System Settings",
                                  "Apple's network test",
                                  "Safari",
                                  "/Applications/Safari.app"};
    return words;
}

const Vocabulary& Vocabulary::forLinux() {
    static const Vocabulary words{"computer",       "Linux",
                                  "System Monitor", "the file manager",
                                  "Settings",       "a network test",
                                  "Firefox",        "/usr/share/applications/firefox-esr.desktop"};
    return words;
}

}  // namespace tv
