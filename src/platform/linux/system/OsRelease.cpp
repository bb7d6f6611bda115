#include "platform/linux/system/OsRelease.h"

#include <fstream>
#include <optional>

namespace tv::linux_os {

namespace {

constexpr std::size_t longest = 120;

std::string printable(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) {
            out += c;
        }
    }
    // Whole UTF-8 sequences only: never cut inside one.
    if (out.size() > longest) {
        std::size_t end = longest;
        while (end > 0 && (static_cast<unsigned char>(out[end]) & 0xC0) == 0x80) {
            --end;
        }
        out.resize(end);
    }
    return out;
}

// An os-release value: the shell-like quoting of that file undone.
std::string unquoted(const std::string& value) {
    if (value.size() < 2 || (value.front() != '"' && value.front() != '\'')) {
        return value;
    }
    char quote = value.front();
    std::string out;
    for (std::size_t i = 1; i < value.size(); ++i) {
        char c = value[i];
        if (c == quote) {
            break;
        }
        if (c == '\\' && quote == '"' && i + 1 < value.size()) {
            c = value[++i];
        }
        out += c;
    }
    return out;
}

std::optional<std::string> prettyName(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            std::string name = printable(unquoted(line.substr(12)));
            if (!name.empty()) {
                return name;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::string osVersion(const std::string& root) {
    std::string base = root == "/" ? "" : root;
    std::string name = prettyName(base + "/etc/os-release")
                           .value_or(prettyName(base + "/usr/lib/os-release").value_or("Linux"));
    std::ifstream kernel(base + "/proc/sys/kernel/osrelease");
    std::string release;
    std::getline(kernel, release);
    release = printable(release);
    return release.empty() ? name : name + ", kernel " + release;
}

}  // namespace tv::linux_os
