#include "platform/linux/desktop/LinuxDesktopApps.h"

#include <QProcess>
#include <QStringList>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

namespace tv::linux_os {

namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> split(const char* list, const std::string& fallback) {
    std::string value = list && *list ? list : fallback;
    std::vector<std::string> out;
    std::stringstream in(value);
    std::string part;
    while (std::getline(in, part, ':')) {
        if (!part.empty()) {
            out.push_back(part);
        }
    }
    return out;
}

}  // namespace

LinuxDesktopApps::LinuxDesktopApps(std::vector<std::string> dataDirs)
    : dataDirs_(std::move(dataDirs)) {}

std::unique_ptr<LinuxDesktopApps> LinuxDesktopApps::forThisSession() {
    std::vector<std::string> dirs;
    const char* home = std::getenv("HOME");
    auto own = split(std::getenv("XDG_DATA_HOME"),
                     home ? std::string(home) + "/.local/share" : std::string());
    dirs.insert(dirs.end(), own.begin(), own.end());
    auto shared = split(std::getenv("XDG_DATA_DIRS"), "/usr/local/share:/usr/share");
    dirs.insert(dirs.end(), shared.begin(), shared.end());
    return std::make_unique<LinuxDesktopApps>(std::move(dirs));
}

const std::vector<std::string>& LinuxDesktopApps::monitorIds() {
    static const std::vector<std::string> ids{"org.gnome.SystemMonitor",
                                              "gnome-system-monitor",
                                              "org.kde.plasma-systemmonitor",
                                              "org.kde.ksysguard",
                                              "xfce4-taskmanager",
                                              "org.xfce.taskmanager",
                                              "mate-system-monitor",
                                              "lxqt-qps",
                                              "lxtask",
                                              "io.missioncenter.MissionCenter"};
    return ids;
}

std::string LinuxDesktopApps::entryValue(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || line.rfind(key, 0) != 0) {
            continue;
        }
        std::size_t at = key.size();
        while (at < line.size() && line[at] == ' ') {
            ++at;
        }
        if (at < line.size() && line[at] == '=') {
            std::string value = line.substr(at + 1);
            std::size_t start = value.find_first_not_of(' ');
            return start == std::string::npos ? std::string() : value.substr(start);
        }
    }
    return {};
}

std::vector<std::string> LinuxDesktopApps::execArguments(const std::string& exec) {
    std::vector<std::string> out;
    std::string current;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted && c == '\\' && i + 1 < exec.size()) {
            current += exec[++i];
        } else if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any) {
                out.push_back(current);
            }
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any) {
        out.push_back(current);
    }
    std::vector<std::string> kept;
    for (std::string& arg : out) {
        if (arg.size() == 2 && arg[0] == '%') {
            continue;  // a field code: nothing to pass
        }
        kept.push_back(std::move(arg));
    }
    return kept;
}

std::optional<std::string> LinuxDesktopApps::iconOf(const std::string& appPath) {
    std::string icon = entryValue(readText(appPath), "Icon");
    return icon.empty() ? std::nullopt : std::optional<std::string>(icon);
}

std::optional<std::string> LinuxDesktopApps::systemMonitor() {
    for (const std::string& id : monitorIds()) {
        for (const std::string& dir : dataDirs_) {
            std::string path = dir + "/applications/" + id + ".desktop";
            std::string text = readText(path);
            if (text.empty() || entryValue(text, "Hidden") == "true" ||
                entryValue(text, "Exec").empty()) {
                continue;
            }
            return path;
        }
    }
    return std::nullopt;
}

bool LinuxDesktopApps::launch(const std::string& appPath) {
    std::vector<std::string> args = execArguments(entryValue(readText(appPath), "Exec"));
    if (args.empty()) {
        return false;
    }
    QStringList rest;
    for (std::size_t i = 1; i < args.size(); ++i) {
        rest << QString::fromStdString(args[i]);
    }
    return QProcess::startDetached(QString::fromStdString(args.front()), rest);
}

}  // namespace tv::linux_os

namespace tv::platform {

std::unique_ptr<DesktopApps> desktopApps() {
    return linux_os::LinuxDesktopApps::forThisSession();
}

}  // namespace tv::platform
