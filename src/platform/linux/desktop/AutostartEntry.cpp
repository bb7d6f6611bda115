#include "platform/linux/desktop/AutostartEntry.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string_view>

#include "platform/UserFiles.h"

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

// The program as the one argument of an Exec= value. Quoted as the desktop entry format
// asks (inside double quotes `"`, `` ` ``, `$` and `\` take a backslash), then escaped as a
// string value is (each backslash doubled), with `%` doubled so no field code is read into it.
std::string execArgument(const std::string& program) {
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    std::string out;
    for (char c : quoted) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '%') {
            out += "%%";
        } else {
            out += c;
        }
    }
    return out;
}

// The program as a plain string value (TryExec=): only backslashes are escaped.
std::string stringValue(const std::string& program) {
    std::string out;
    for (char c : program) {
        out += c;
        if (c == '\\') {
            out += c;
        }
    }
    return out;
}

// A control character (a newline above all) would end the value and start another key.
bool hasControl(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7f;
    });
}

constexpr std::size_t largestEntry = 64 * 1024;

// The format allows spaces around the `=` of a key.
std::string trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t");
    std::size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

bool writeEntry(const std::string& path, const std::string& text) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    return platform::replaceFile(path, text, 0644);
}

// The first argument of an Exec= value: the string-level escapes of the desktop entry format
// undone, then the argument's own quoting.
std::string firstArgument(const std::string& value) {
    constexpr std::string_view escaped = "sntr\\";
    constexpr std::string_view meant = " \n\t\r\\";
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        std::size_t kind = i + 1 < value.size() && value[i] == '\\' ? escaped.find(value[i + 1])
                                                                    : std::string_view::npos;
        if (kind == std::string_view::npos) {
            text += value[i];
        } else {
            text += meant[kind];
            ++i;
        }
    }
    std::string argument;
    if (text.empty() || text[0] != '"') {
        return text.substr(0, text.find(' '));
    }
    for (std::size_t i = 1; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            ++i;
        }
        argument += text[i];
    }
    return argument;
}

}  // namespace

AutostartEntry::AutostartEntry(std::string configHome)
    : folder_(configHomeOf(std::move(configHome)) + "/autostart") {}

bool AutostartEntry::enable(const std::string& program) {
    if (program.empty() || hasControl(program)) {
        return false;
    }
    std::ostringstream text;
    text << "[Desktop Entry]\n"
         << "Type=Application\n"
         << "Name=TallyVane\n"
         << "Comment=System monitor in the tray\n"
         << "Exec=" << execArgument(program)
         << "\n"
         // A desktop skips the entry once the program is gone (uninstalled, or a build tree
         // deleted) instead of failing to start it at every login.
         << "TryExec=" << stringValue(program) << "\n"
         << "Icon=tallyvane\n"
         << "Terminal=false\n"
         << "X-GNOME-Autostart-enabled=true\n";
    return writeEntry(path(), text.str());
}

bool AutostartEntry::disable() {
    FileRead entry = platform::readRegularFile(path(), largestEntry);
    if (entry.outcome == FileRead::Outcome::missing) {
        return true;
    }
    if (entry.outcome != FileRead::Outcome::read) {
        return false;
    }
    std::istringstream in(entry.bytes);
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

std::string AutostartEntry::program() const {
    FileRead entry = platform::readRegularFile(path(), largestEntry);
    if (entry.outcome != FileRead::Outcome::read) {
        return {};
    }
    std::istringstream in(entry.bytes);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Exec=", 0) == 0) {
            return firstArgument(line.substr(5));
        }
    }
    return {};
}

bool AutostartEntry::follow(const std::string& program) {
    std::string current = this->program();
    std::error_code ignored;
    if (!isEnabled() || current == program || std::filesystem::exists(current, ignored)) {
        return true;
    }
    return enable(program);
}

bool AutostartEntry::isEnabled() {
    FileRead entry = platform::readRegularFile(path(), largestEntry);
    if (entry.outcome != FileRead::Outcome::read) {
        return false;
    }
    // Off when hidden, or when the desktop's startup settings switched the entry off: they
    // leave it in place and mark it with their own key.
    std::istringstream in(entry.bytes);
    std::string line;
    bool inMainGroup = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        std::size_t eq = line.find('=');
        if (!inMainGroup || eq == std::string::npos) {
            continue;
        }
        std::string key = trimmed(line.substr(0, eq));
        std::string value = trimmed(line.substr(eq + 1));
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return false;
        }
    }
    return true;
}

}  // namespace tv::linux_os
