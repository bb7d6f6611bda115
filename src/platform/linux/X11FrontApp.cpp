#include "platform/linux/X11FrontApp.h"

#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/CrashReports.h"

namespace tv::linux_os {

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    if (reply == nullptr) {
        return XCB_ATOM_NONE;
    }
    xcb_atom_t value = reply->atom;
    std::free(reply);
    return value;
}

// A 32-bit property of a window (a window id or a pid); absent when unset.
std::optional<std::uint32_t> cardinal(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                      xcb_atom_t type) {
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1), nullptr);
    if (reply == nullptr) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> value;
    if (reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
        std::memcpy(&value.emplace(), xcb_get_property_value(reply), 4);
    }
    std::free(reply);
    return value;
}

}  // namespace

X11FrontApp::X11FrontApp(std::int32_t self, const std::string& display) : self_(self) {
    const char* name = display.empty() ? std::getenv("DISPLAY") : display.c_str();
    if (name == nullptr || *name == '\0') {
        return;
    }
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(name, &screenNumber);
    if (c == nullptr || xcb_connection_has_error(c) != 0) {
        if (c != nullptr) {
            xcb_disconnect(c);
        }
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0 || ::pipe(stop_) != 0) {
        xcb_disconnect(c);
        return;
    }
    connection_ = c;
    root_ = screens.data->root;
    activeAtom_ = atom(c, "_NET_ACTIVE_WINDOW");
    pidAtom_ = atom(c, "_NET_WM_PID");
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    refresh();
    thread_ = std::thread([this] {
        platform::guardThisThread("Tallyvane.frontApp");
        watch();
    });
}

X11FrontApp::~X11FrontApp() {
    if (connection_ == nullptr) {
        return;
    }
    char stop = 1;
    [[maybe_unused]] ssize_t written = ::write(stop_[1], &stop, 1);
    thread_.join();
    ::close(stop_[0]);
    ::close(stop_[1]);
    xcb_disconnect(connection_);
}

std::optional<std::int32_t> X11FrontApp::frontPid() {
    std::int32_t pid = pid_.load();
    return pid > 0 ? std::optional<std::int32_t>(pid) : std::nullopt;
}

void X11FrontApp::refresh() {
    auto window = cardinal(connection_, root_, activeAtom_, XCB_ATOM_WINDOW);
    if (!window || *window == 0) {
        return;
    }
    auto pid = cardinal(connection_, *window, pidAtom_, XCB_ATOM_CARDINAL);
    if (pid && *pid > 0 && *pid < (1U << 31) && static_cast<std::int32_t>(*pid) != self_) {
        pid_.store(static_cast<std::int32_t>(*pid));
    }
}

void X11FrontApp::watch() {
    pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {stop_[0], POLLIN, 0}};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            bool active =
                (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == activeAtom_;
            std::free(event);
            if (active) {
                refresh();
            }
        }
        if (xcb_connection_has_error(connection_) != 0) {
            return;  // the display went away: the last value stays
        }
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
    }
}

}  // namespace tv::linux_os
