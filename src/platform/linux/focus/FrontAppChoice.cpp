#include "platform/linux/focus/FrontAppChoice.h"

#include <QDBusConnectionInterface>

#include "platform/linux/desktop/ResourceFolder.h"
#include "platform/linux/desktop/SessionEnvironment.h"
#include "platform/linux/focus/CompositorFrontApp.h"
#include "platform/linux/focus/CompositorProcess.h"
#include "platform/linux/focus/ForeignToplevelFrontApp.h"
#include "platform/linux/focus/KWinScript.h"
#include "platform/linux/focus/ReportedFrontApp.h"
#include "platform/linux/focus/X11FrontApp.h"

namespace tv::linux_os {

namespace {

// Our KWin script, found beside the program as its other files are; empty when missing.
std::string scriptFile() {
    std::string folder = resourceFolderOf(runningProgram(), "kwin");
    return folder.empty() ? std::string() : folder + "/focus.js";
}

// Believes a report only from the process that serves this session's Wayland display.
std::function<bool(std::int32_t)> compositorCheck() {
    auto compositor = std::make_shared<CompositorProcess>(CompositorProcess::socketOfThisSession());
    return [compositor](std::int32_t pid) { return compositor->is(pid); };
}

}  // namespace

FrontAppChoice FrontAppChoice::of(
    const std::function<std::string(const char*)>& env,
    const std::function<bool(const std::string&)>& exists,
    const std::function<bool(const std::string&)>& onBus,
    const std::function<bool(const std::string&)>& offersForeignToplevel) {
    if (std::string sway = env("SWAYSOCK"); !sway.empty()) {
        return {Kind::sway, sway};
    }
    if (std::string instance = env("HYPRLAND_INSTANCE_SIGNATURE"); !instance.empty()) {
        // Newer releases keep the socket in the runtime folder, older ones under /tmp.
        std::string runtime = env("XDG_RUNTIME_DIR");
        std::string current = runtime + "/hypr/" + instance + "/.socket.sock";
        if (!runtime.empty() && exists(current)) {
            return {Kind::hyprland, current};
        }
        return {Kind::hyprland, "/tmp/hypr/" + instance + "/.socket.sock"};
    }
    // On X11 the active window tells the same without a script inside the window manager.
    const bool wayland = isWaylandSession(env);
    if (wayland && onBus && onBus("org.kde.KWin")) {
        return {Kind::kwin, {}};
    }
    if (wayland && onBus && onBus("org.gnome.Shell")) {
        return {Kind::gnome, {}};
    }
    if (std::string display = env("WAYLAND_DISPLAY");
        !display.empty() && offersForeignToplevel && offersForeignToplevel(display)) {
        return {Kind::foreignToplevel, display};
    }
    return {};
}

std::string FrontAppChoice::describe() const {
    switch (kind) {
        case Kind::sway:
            return "sway IPC at " + socket;
        case Kind::hyprland:
            return "Hyprland socket at " + socket;
        case Kind::kwin:
            return scriptFile().empty()
                       ? "KWin script (not installed with TallyVane: the front app stays unknown)"
                       : "KWin script";
        case Kind::foreignToplevel:
            return "wlroots foreign-toplevel list of " + socket;
        case Kind::gnome:
            return "GNOME Shell extension";
        case Kind::x11:
            break;
    }
    return "X11 active window";
}

bool ownedOnSessionBus(const std::string& name) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() &&
           bus.interface()->isServiceRegistered(QString::fromStdString(name)).value();
}

std::unique_ptr<FrontAppSource> FrontAppChoice::make(std::int32_t self) const {
    switch (kind) {
        case Kind::sway:
            return std::make_unique<CompositorFrontApp>(CompositorFrontApp::Protocol::i3, socket,
                                                        self);
        case Kind::hyprland:
            return std::make_unique<CompositorFrontApp>(CompositorFrontApp::Protocol::hyprland,
                                                        socket, self);
        case Kind::kwin: {
            QDBusConnection bus = QDBusConnection::sessionBus();
            auto source = std::make_unique<ReportedFrontApp>(
                bus, self, describe(), QStringList{QStringLiteral("org.kde.KWin")},
                compositorCheck());
            auto script = std::make_unique<KWinScript>(bus, QString::fromStdString(scriptFile()));
            script->load();
            source->keep(std::move(script));
            return source;
        }
        case Kind::foreignToplevel:
            return std::make_unique<ForeignToplevelFrontApp>(socket);
        case Kind::gnome:
            // The extension reports once the user turned it on; until then nothing is known.
            return std::make_unique<ReportedFrontApp>(
                QDBusConnection::sessionBus(), self, describe(),
                QStringList{QStringLiteral("org.gnome.Shell")}, compositorCheck());
        case Kind::x11:
            break;
    }
    return std::make_unique<X11FrontApp>(self, "", isWaylandSession());
}

}  // namespace tv::linux_os
