#include "platform/linux/focus/X11FrontApp.h"

#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/linux/focus/X11ClientPid.h"

#include "platform/CrashReports.h"

namespace tv::linux_os {

namespace {

constexpr int deepestWindowTree = 16;

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

std::uint64_t pack(std::int32_t pid, std::uint32_t window) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(pid)) << 32) | window;
}

}  // namespace

X11FrontApp::X11FrontApp(std::int32_t self, const std::string& display, bool waylandSession)
    : self_(self), wayland_(waylandSession) {
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

std::string X11FrontApp::describe() const {
    if (!connected()) {
        return "none (no X11 display to ask which window is in front)";
    }
    return wayland_ ? "X11 active window while it holds the input focus (XWayland clients only)"
                    : "X11 active window (process by the X Resource extension, else _NET_WM_PID)";
}

std::uint32_t X11FrontApp::frontWindow() const {
    return static_cast<std::uint32_t>(front_.load() & 0xFFFFFFFFU);
}

std::optional<std::int32_t> X11FrontApp::frontPid() {
    if (lost_.load()) {
        return std::nullopt;
    }
    std::uint64_t front = front_.load();
    auto pid = static_cast<std::int32_t>(front >> 32);
    auto window = static_cast<std::uint32_t>(front & 0xFFFFFFFFU);
    if (pid <= 0 || (wayland_ && !holdsFocus(window))) {
        return std::nullopt;
    }
    return pid;
}

// The input focus is on the window or on one of its own subwindows. XWayland moves the focus
// away from every X window while a native Wayland window has it.
bool X11FrontApp::holdsFocus(std::uint32_t window) {
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr);
    if (reply == nullptr) {
        return false;
    }
    xcb_window_t focus = reply->focus;
    std::free(reply);
    for (int depth = 0; depth < deepestWindowTree; ++depth) {
        if (focus == window) {
            return true;
        }
        if (focus == XCB_NONE || focus == XCB_INPUT_FOCUS_POINTER_ROOT || focus == root_) {
            return false;
        }
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, focus), nullptr);
        if (tree == nullptr) {
            return false;
        }
        focus = tree->parent;
        std::free(tree);
    }
    return false;
}

void X11FrontApp::refresh() {
    auto window = cardinal(connection_, root_, activeAtom_, XCB_ATOM_WINDOW);
    if (!window || *window == XCB_NONE) {
        front_.store(0);
        return;
    }
    // Told when it goes away: a window manager may leave a destroyed window named active.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, *window, XCB_CW_EVENT_MASK, &mask);
    std::optional<std::int32_t> pid = clientPidOf(connection_, *window);
    if (!pid) {
        auto claimed = cardinal(connection_, *window, pidAtom_, XCB_ATOM_CARDINAL);
        if (claimed && *claimed > 0 && *claimed < (1U << 31)) {
            pid = static_cast<std::int32_t>(*claimed);
        }
    }
    if (!pid) {
        front_.store(0);
    } else if (*pid != self_) {
        lastApp_ = pack(*pid, *window);
        front_.store(lastApp_);
    } else {
        // TallyVane's own window: the app before it, while that app's window is still there
        // (a window manager may name no window active for a moment in between).
        front_.store(lastApp_);
    }
}

void X11FrontApp::watch() {
    pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {stop_[0], POLLIN, 0}};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            std::uint8_t type = event->response_type & 0x7F;
            bool active =
                type == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == activeAtom_;
            std::uint32_t gone = type == XCB_DESTROY_NOTIFY
                                     ? reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window
                                 : type == XCB_UNMAP_NOTIFY
                                     ? reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window
                                     : 0;
            std::free(event);
            if (active) {
                refresh();
            } else if (gone != 0) {
                // Closed or hidden: no longer where the user works.
                if (gone == static_cast<std::uint32_t>(lastApp_ & 0xFFFFFFFFU)) {
                    lastApp_ = 0;
                }
                if (gone == frontWindow()) {
                    front_.store(0);
                }
            }
        }
        if (xcb_connection_has_error(connection_) != 0) {
            lost_.store(true);  // the display went away: nothing is known any more
            return;
        }
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            lost_.store(true);
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
    }
}

}  // namespace tv::linux_os
