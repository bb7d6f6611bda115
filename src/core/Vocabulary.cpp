#include "core/Vocabulary.h"

namespace tv {

const Vocabulary& Vocabulary::forMac() {
    static const Vocabulary words{.computer = "Mac",
                                  .system = "macOS",
                                  .activityViewer = "Activity Monitor",
                                  .fileManager = "Finder",
                                  .reportViewer = "Console",
                                  .systemSettings = "System Settings",
                                  .networkTest = "Apple's network test",
                                  .sampleApp = "Safari",
                                  .sampleAppPath = "/Applications/Safari.app"};
    return words;
}

const Vocabulary& Vocabulary::forLinux() {
    static const Vocabulary words{.computer = "computer",
                                  .system = "Linux",
                                  .activityViewer = "System Monitor",
                                  .fileManager = "the file manager",
                                  .reportViewer = "a text editor",
                                  .systemSettings = "Settings",
                                  .networkTest = "a network test",
                                  .sampleApp = "Firefox",
                                  .sampleAppPath = "/usr/share/applications/firefox-esr.desktop"};
    return words;
}

}  // namespace tv
