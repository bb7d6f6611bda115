#include "platform/linux/AutostartEntry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tv::linux_os {

namespace {

std::string configHomeOf(std::string given) {
    if (!given.empty()) {
        return given;
    }
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

// Exec= quoting of the desktop entry format.
std::string quoted(const std::string& program) {
    std::string out = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

bool writeEntry(const std::string& path, const std::string& text) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << text;
        if (!out) {
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

}  // namespace

AutostartEntry::AutostartEntry(std::string configHome)
    : folder_(configHomeOf(std::move(configHome)) + "/autostart") {}

bool AutostartEntry::enable(const std::string& program) {
    std::ostringstream text;
    text << "[Desktop Entry]\n"
         << "Type=Application\n"
         << "Name=TallyVane\n"
         << "Comment=System monitor in the tray\n"
         << "Exec=" << quoted(program) << "\n"
         << "Icon=tallyvane\n"
         << "Terminal=false\n"
         << "X-GNOME-Autostart-enabled=true\n";
    return writeEntry(path(), text.str());
}

bool AutostartEntry::disable() {
    std::ifstream in(path());
    if (!in) {
        return true;
    }
    std::ostringstream kept;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Hidden=", 0) != 0) {
            kept << line << "\n";
        }
    }
    kept << "Hidden=true\n";
    return writeEntry(path(), kept.str());
}

bool AutostartEntry::isEnabled() {
    std::ifstream in(path());
    if (!in) {
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line == "Hidden=true") {
            return false;
        }
    }
    return true;
}

}  // namespace tv::linux_os
