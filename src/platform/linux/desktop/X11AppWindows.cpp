#include "platform/linux/desktop/X11AppWindows.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/linux/focus/X11ClientPid.h"

namespace tv::linux_os {

namespace {

constexpr std::uint32_t mostWindows = 4096;
constexpr std::uint32_t longestClass = 256;  // in 32-bit units, as X counts property lengths

// "instance\0class\0" as WM_CLASS holds it.
std::vector<std::string> classNames(const char* data, std::size_t length) {
    std::vector<std::string> names;
    std::string_view rest(data, length);
    while (!rest.empty() && names.size() < 2) {
        std::size_t end = rest.find('\0');
        if (end != 0) {
            names.emplace_back(rest.substr(0, end));
        }
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 1);
    }
    return names;
}

}  // namespace

X11AppWindows::X11AppWindows(std::string display, std::chrono::milliseconds refreshEvery)
    : display_(std::move(display)), refreshEvery_(refreshEvery) {}

X11AppWindows::~X11AppWindows() {
    if (x_ != nullptr) {
        xcb_disconnect(x_);
    }
}

bool X11AppWindows::connected() {
    if (x_ != nullptr && xcb_connection_has_error(x_) != 0) {
        xcb_disconnect(x_);
        x_ = nullptr;
        clientList_ = 0;
    }
    if (x_ == nullptr && !display_.empty()) {
        x_ = xcb_connect(display_.c_str(), nullptr);
        if (xcb_connection_has_error(x_) != 0) {
            xcb_disconnect(x_);
            x_ = nullptr;
        }
    }
    if (x_ != nullptr && clientList_ == 0) {
        const char name[] = "_NET_CLIENT_LIST";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(x_, xcb_intern_atom(x_, 0, sizeof name - 1, name), nullptr);
        clientList_ = atom != nullptr ? atom->atom : 0;
        std::free(atom);
    }
    return x_ != nullptr && clientList_ != 0;
}

const std::map<std::int32_t, std::vector<std::string>>& X11AppWindows::classesByPid() {
    auto now = std::chrono::steady_clock::now();
    if (!askedAt_ || now - *askedAt_ >= refreshEvery_) {
        askedAt_ = now;
        refresh();
    }
    return classes_;
}

void X11AppWindows::refresh() {
    classes_.clear();
    if (!connected()) {
        return;
    }
    std::vector<xcb_window_t> windows;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x_));
    for (; screens.rem > 0; xcb_screen_next(&screens)) {
        xcb_get_property_reply_t* list =
            xcb_get_property_reply(x_,
                                   xcb_get_property(x_, 0, screens.data->root, clientList_,
                                                    XCB_ATOM_WINDOW, 0, mostWindows),
                                   nullptr);
        if (list != nullptr && list->format == 32) {
            auto* ids = static_cast<xcb_window_t*>(xcb_get_property_value(list));
            int count = xcb_get_property_value_length(list) / 4;
            windows.insert(windows.end(), ids, ids + count);
        }
        std::free(list);
    }
    // All class requests go out at once; the answers are collected after.
    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(windows.size());
    for (xcb_window_t window : windows) {
        cookies.push_back(
            xcb_get_property(x_, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, longestClass));
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(x_, cookies[i], nullptr);
        if (reply == nullptr) {
            continue;
        }
        std::vector<std::string> names =
            reply->format == 8
                ? classNames(static_cast<const char*>(xcb_get_property_value(reply)),
                             static_cast<std::size_t>(xcb_get_property_value_length(reply)))
                : std::vector<std::string>{};
        std::free(reply);
        if (names.empty()) {
            continue;
        }
        if (auto pid = windowPidOf(x_, windows[i])) {
            std::vector<std::string>& known = classes_[*pid];
            for (std::string& name : names) {
                if (std::find(known.begin(), known.end(), name) == known.end()) {
                    known.push_back(std::move(name));
                }
            }
        }
    }
}

}  // namespace tv::linux_os
