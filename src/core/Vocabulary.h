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
    std::string reportViewer;    // "Console": what a crash report opens in
    std::string systemSettings;  // "System Settings"
    std::string networkTest;     // "Apple's network test"
    // The well-known app the sample pictures show, and where that app is installed.
    std::string sampleApp;      // "Safari"
    std::string sampleAppPath;  // "/Applications/Safari.app"

    static const Vocabulary& forMac();
    static const Vocabulary& forLinux();
};

}  // namespace tv
