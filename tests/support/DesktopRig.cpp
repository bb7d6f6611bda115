#include "support/DesktopRig.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "support/Spawned.h"

namespace tv::test {

namespace {}  // namespace

DesktopRig::DesktopRig(const std::vector<std::string>& pieces, const std::string& rig) : rig_(rig) {
    char pattern[] = "/tmp/tallyvane-rig-XXXXXX";
    if (!::mkdtemp(pattern)) {
        return;
    }
    dir_ = pattern;
    std::string command = rig_ + " start " + dir_;
    for (const std::string& piece : pieces) {
        command += " " + piece;
    }
    // What went wrong while starting goes to the test's output and is kept.
    started_ = std::system((command + " >/dev/null 2>" + dir_ + "/start.err").c_str()) == 0;
    failure_ = textOf(dir_ + "/start.err");
    std::fputs(failure_.c_str(), stderr);
    std::ifstream env(dir_ + "/env");
    std::string line;
    while (std::getline(env, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos) {
            env_[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
}

DesktopRig::~DesktopRig() {
    if (!dir_.empty()) {
        std::system((rig_ + " stop " + dir_ + " >/dev/null 2>&1").c_str());
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
}

std::string DesktopRig::env(const std::string& key) const {
    auto it = env_.find(key);
    return it == env_.end() ? std::string() : it->second;
}

std::vector<std::string> DesktopRig::inHome(const std::string& home) const {
    return {"env",
            "DISPLAY=" + env("DISPLAY"),
            "DBUS_SESSION_BUS_ADDRESS=" + env("DBUS_SESSION_BUS_ADDRESS"),
            "HOME=" + home,
            "XDG_CONFIG_HOME=" + home + "/config",
            "XDG_DATA_HOME=" + home + "/data",
            "XDG_STATE_HOME=" + home + "/state",
            "XDG_RUNTIME_DIR=" + home + "/run"};
}

std::string DesktopRig::inRig(const std::string& command) const {
    std::string prefix = "env";
    for (const auto& [key, value] : env_) {
        prefix += " '" + key + "=" + value + "'";
    }
    return prefix + " " + command;
}

std::string DesktopRig::openMenu(const std::string& action) const {
    std::ofstream(dir_ + "/dmenu-choice") << action << "\n";
    std::remove((dir_ + "/dmenu-in").c_str());
    outputOf(inRig("dunstctl context"));
    // The menu runs after dunstctl returns; wait for it to have read its input.
    waitFor(2, [&] { return !textOf(dir_ + "/dmenu-in").empty(); });
    return textOf(dir_ + "/dmenu-in");
}

std::string DesktopRig::menu() const {
    return openMenu("");
}

std::string DesktopRig::choose(const std::string& action) const {
    std::string offered;
    // A notification enters the menu once the server displays it, a moment after it was
    // posted: ask again until the action is offered.
    waitFor(5, [&] {
        offered = openMenu(action);
        return offered.find("," + action + "]") != std::string::npos;
    });
    return offered;
}

int DesktopRig::displayed() const {
    return std::atoi(outputOf(inRig("dunstctl count displayed")).c_str());
}

std::string DesktopRig::shown() const {
    return textOf(dir_ + "/shown.log");
}

}  // namespace tv::test
