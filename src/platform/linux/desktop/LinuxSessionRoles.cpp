#include "platform/linux/desktop/LinuxSessionRoles.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QDBusConnection>
#include <QDBusMessage>

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/linux/desktop/SessionEnvironment.h"
#include "platform/linux/focus/X11ClientPid.h"

namespace tv::linux_os {

namespace {

constexpr int busTimeoutMs = 250;

// Bus names whose owners keep the desktop working; the bus answers for itself as well.
constexpr const char* roleNames[] = {
    "org.freedesktop.Notifications",  "org.kde.StatusNotifierWatcher",
    "org.freedesktop.portal.Desktop", "org.freedesktop.ScreenSaver",
    "org.gnome.ScreenSaver",          "org.freedesktop.DBus",
};

}  // namespace

std::optional<std::int32_t> listenerOf(const std::string& socketPath) {
    sockaddr_un address{};
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        return std::nullopt;
    }
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    std::optional<std::int32_t> pid;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        ucred credentials{};
        socklen_t length = sizeof credentials;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
            credentials.pid > 0) {
            pid = credentials.pid;
        }
    }
    ::close(fd);
    return pid;
}

LinuxSessionRoles::Options LinuxSessionRoles::forThisSession() {
    Options options;
    options.display = environmentValue("DISPLAY");
    options.busAddress = environmentValue("DBUS_SESSION_BUS_ADDRESS");
    std::string runtime = environmentValue("XDG_RUNTIME_DIR");
    auto inRuntime = [&](const std::string& name) {
        return name.empty() || name[0] == '/' || runtime.empty() ? name : runtime + "/" + name;
    };
    if (std::string wayland = environmentValue("WAYLAND_DISPLAY"); !wayland.empty()) {
        options.compositorSocket = inRuntime(wayland);
    }
    std::string pulse = environmentValue("PULSE_SERVER");
    if (pulse.rfind("unix:", 0) == 0) {
        options.sockets.push_back(pulse.substr(5));
    } else if (!runtime.empty()) {
        options.sockets.push_back(runtime + "/pulse/native");
    }
    if (!runtime.empty()) {
        options.sockets.push_back(runtime + "/pipewire-0");
    }
    return options;
}

LinuxSessionRoles::LinuxSessionRoles(Options options) : options_(std::move(options)) {}

LinuxSessionRoles::~LinuxSessionRoles() {
    if (!options_.busAddress.empty()) {
        QDBusConnection::disconnectFromBus(connectionName());
    }
    if (x_ != nullptr) {
        xcb_disconnect(x_);
    }
}

QString LinuxSessionRoles::connectionName() const {
    return QStringLiteral("tallyvane-session-roles-%1").arg(reinterpret_cast<quintptr>(this));
}

const std::set<std::int32_t>& LinuxSessionRoles::pids() {
    auto now = std::chrono::steady_clock::now();
    if (!askedAt_ || now - *askedAt_ >= options_.refreshEvery) {
        askedAt_ = now;
        refresh();
    }
    return pids_;
}

const std::set<std::int32_t>& LinuxSessionRoles::displayServers() {
    pids();
    return servers_;
}

void LinuxSessionRoles::refresh() {
    std::set<std::int32_t> found;
    servers_.clear();
    answered_.clear();
    askX11(found);
    askBus(found);
    askSockets(found);
    found.insert(servers_.begin(), servers_.end());
    pids_ = std::move(found);
}

void LinuxSessionRoles::askX11(std::set<std::int32_t>& into) {
    if (options_.display.empty()) {
        return;
    }
    if (x_ != nullptr && xcb_connection_has_error(x_) != 0) {
        xcb_disconnect(x_);
        x_ = nullptr;
    }
    if (x_ == nullptr) {
        x_ = xcb_connect(options_.display.c_str(), nullptr);
        if (xcb_connection_has_error(x_) != 0) {
            xcb_disconnect(x_);
            x_ = nullptr;
            return;
        }
    }
    // The X server of this display is the process at the other end of the connection.
    ucred server{};
    socklen_t length = sizeof server;
    if (::getsockopt(xcb_get_file_descriptor(x_), SOL_SOCKET, SO_PEERCRED, &server, &length) == 0 &&
        server.pid > 0) {
        servers_.insert(server.pid);
        answered_.push_back("the X server's connection");
    }
    int screens = xcb_setup_roots_length(xcb_get_setup(x_));
    std::size_t before = into.size();
    for (int screen = 0; screen < screens; ++screen) {
        for (const char* prefix : {"WM_S", "_NET_WM_CM_S", "_NET_SYSTEM_TRAY_S"}) {
            std::string name = prefix + std::to_string(screen);
            xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
                x_, xcb_intern_atom(x_, 1, static_cast<std::uint16_t>(name.size()), name.c_str()),
                nullptr);
            if (atom == nullptr || atom->atom == XCB_ATOM_NONE) {
                std::free(atom);
                continue;  // never interned: nobody ever owned it
            }
            xcb_get_selection_owner_reply_t* owner =
                xcb_get_selection_owner_reply(x_, xcb_get_selection_owner(x_, atom->atom), nullptr);
            std::free(atom);
            if (owner != nullptr && owner->owner != XCB_NONE) {
                if (auto pid = windowPidOf(x_, owner->owner)) {
                    into.insert(*pid);
                }
            }
            std::free(owner);
        }
    }
    if (into.size() > before) {
        answered_.push_back("X11 selections");
    }
}

void LinuxSessionRoles::askBus(std::set<std::int32_t>& into) {
    if (options_.busAddress.empty()) {
        return;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(options_.busAddress),
                                                        connectionName());
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(connectionName());
        return;
    }
    std::size_t before = into.size();
    for (const char* name : roleNames) {
        QDBusMessage ask = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
        ask << QString::fromLatin1(name);
        QDBusMessage answer = bus.call(ask, QDBus::Block, busTimeoutMs);
        if (answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty()) {
            bool ok = false;
            uint pid = answer.arguments().first().toUInt(&ok);
            if (ok && pid > 0 && pid < (1U << 31)) {
                into.insert(static_cast<std::int32_t>(pid));
            }
        }
    }
    if (into.size() > before) {
        answered_.push_back("session bus names");
    }
}

void LinuxSessionRoles::askSockets(std::set<std::int32_t>& into) {
    std::size_t before = into.size();
    for (const std::string& socket : options_.sockets) {
        if (auto pid = listenerOf(socket)) {
            into.insert(*pid);
        }
    }
    if (into.size() > before) {
        answered_.push_back("sound server sockets");
    }
    if (auto compositor = listenerOf(options_.compositorSocket)) {
        servers_.insert(*compositor);
        answered_.push_back("the Wayland display's socket");
    }
}

std::string LinuxSessionRoles::describe() {
    pids();
    std::ostringstream out;
    out << "asked of the desktop (the X server of the display, X11 selections "
           "WM_S/_NET_WM_CM_S/_NET_SYSTEM_TRAY_S, session bus names, Wayland and sound server "
           "sockets), names as fallback; the X server, the compositor and every Xwayland are "
           "never listed as apps; ";
    if (answered_.empty()) {
        out << "nothing answered here";
    } else {
        out << pids_.size() << " process(es) found by ";
        for (std::size_t i = 0; i < answered_.size(); ++i) {
            out << (i > 0 ? ", " : "") << answered_[i];
        }
    }
    return out.str();
}

}  // namespace tv::linux_os
