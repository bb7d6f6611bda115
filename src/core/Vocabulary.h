#pragma once

#include <string>

namespace tv {

// The platform nouns that appear inside the program's fixed texts. Every other word of a
// text is the same on every platform.
struct Vocabulary {
    std::string computer;        // "Mac"
    std::string system;          // "macOS"
    std::string activityViewer;  // "Activity Monitor"
    std::string fileManager;     // "Finder"
    std::string systemSettings;  // "System Settings"
    std::string networkTest;     // "Apple's network test"

    static const Vocabulary& forMac();
    static const Vocabulary& forLinux();
};

}  // namespace tv
