#include "platform/linux/tray/XEmbedTray.h"

#include <algorithm>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/linux/proc/ProcessName.h"

namespace tv::linux_os {

namespace {

constexpr std::uint32_t requestDock = 0;
constexpr std::uint32_t xembedMapped = 1;

}  // namespace

XEmbedTray::XEmbedTray(xcb_connection_t* connection, int screen)
    : connection_(connection), screen_(screen) {}

xcb_atom_t XEmbedTray::atom(const std::string& name) {
    if (auto known = atoms_.find(name); known != atoms_.end()) {
        return known->second;
    }
    auto cookie =
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.c_str());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookie, nullptr);
    xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    if (result != XCB_ATOM_NONE) {
        atoms_.emplace(name, result);
    }
    return result;
}

xcb_window_t XEmbedTray::owner() {
    if (!connection_) {
        return XCB_WINDOW_NONE;
    }
    auto reply = xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection()), nullptr);
    xcb_window_t result = reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
    std::free(reply);
    lastOwner_ = result;
    return result;
}

bool XEmbedTray::available() {
    return owner() != XCB_WINDOW_NONE;
}

std::string XEmbedTray::ownerName() {
    xcb_window_t tray = owner();
    if (tray == XCB_WINDOW_NONE) {
        return {};
    }
    auto cookie =
        xcb_get_property(connection_, 0, tray, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection_, cookie, nullptr);
    pid_t pid = 0;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 4) {
        pid = static_cast<pid_t>(*static_cast<std::uint32_t*>(xcb_get_property_value(reply)));
    }
    std::free(reply);
    return processName(pid);
}

std::optional<std::uint32_t> XEmbedTray::foreground() {
    if (!connection_) {
        return std::nullopt;
    }
    const xcb_atom_t colours = atom("_NET_SYSTEM_TRAY_COLORS");
    // Twelve cardinals, 16 bits a channel: foreground, error, warning and success colours.
    auto ask = [&](xcb_window_t window) {
        return xcb_get_property(connection_, 0, window, colours, XCB_ATOM_CARDINAL, 0, 12);
    };
    // A window gone since is an error here, not one for the toolkit's event loop.
    auto answer = [&](xcb_get_property_cookie_t cookie) {
        xcb_generic_error_t* error = nullptr;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(connection_, cookie, &error);
        std::free(error);
        return reply;
    };
    const xcb_window_t guess = lastOwner_;
    auto ownerCookie = xcb_get_selection_owner(connection_, selection());
    std::optional<xcb_get_property_cookie_t> guessed;
    if (guess != XCB_WINDOW_NONE) {
        guessed = ask(guess);
    }
    auto* ownerReply = xcb_get_selection_owner_reply(connection_, ownerCookie, nullptr);
    const xcb_window_t tray = ownerReply ? ownerReply->owner : xcb_window_t{XCB_WINDOW_NONE};
    std::free(ownerReply);
    lastOwner_ = tray;
    xcb_get_property_reply_t* reply = guessed ? answer(*guessed) : nullptr;
    if (tray != guess) {
        std::free(reply);
        reply = tray != XCB_WINDOW_NONE ? answer(ask(tray)) : nullptr;
    }
    std::optional<std::uint32_t> color;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 12) {
        const auto* channels = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        auto eight = [](std::uint32_t channel) {
            return std::min<std::uint32_t>(channel, 0xffff) >> 8;
        };
        color = eight(channels[0]) << 16 | eight(channels[1]) << 8 | eight(channels[2]);
    }
    std::free(reply);
    return color;
}

bool XEmbedTray::transparentSlots() {
    xcb_window_t tray = owner();
    if (tray == XCB_WINDOW_NONE) {
        return false;
    }
    auto reply = xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, tray, atom("_NET_SYSTEM_TRAY_VISUAL"), XCB_ATOM_VISUALID,
                         0, 1),
        nullptr);
    xcb_visualid_t visual = 0;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 4) {
        visual = *static_cast<std::uint32_t*>(xcb_get_property_value(reply));
    }
    std::free(reply);
    if (visual == 0) {
        return false;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screen_ && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        return false;
    }
    for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem > 0;
         xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
             xcb_visualtype_next(&visuals)) {
            if (visuals.data->visual_id == visual) {
                return depths.data->depth == 32;
            }
        }
    }
    return false;
}

bool XEmbedTray::dock(std::uintptr_t window) {
    xcb_window_t tray = owner();
    if (tray == XCB_WINDOW_NONE) {
        return false;
    }
    auto id = static_cast<xcb_window_t>(window);
    xcb_atom_t info = atom("_XEMBED_INFO");
    std::uint32_t xembed[2] = {0, xembedMapped};
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, id, info, info, 32, 2, xembed);

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = tray;
    message.type = atom("_NET_SYSTEM_TRAY_OPCODE");
    message.data.data32[0] = XCB_CURRENT_TIME;
    message.data.data32[1] = requestDock;
    message.data.data32[2] = id;
    xcb_send_event(connection_, 0, tray, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
    return true;
}

bool XEmbedTray::slotFits(std::uintptr_t window, int width) {
    if (!connection_) {
        return true;
    }
    auto id = static_cast<xcb_window_t>(window);
    auto tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, id), nullptr);
    if (!tree) {
        return true;
    }
    xcb_window_t parent = tree->parent;
    bool atRoot = parent == tree->root;
    std::free(tree);
    if (atRoot) {
        return false;  // not taken in yet: look again later
    }
    auto ours = xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, id), nullptr);
    auto slot = xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, parent), nullptr);
    // Both count: an embedder resizes the window to its slot, so a window a pixel wide in a
    // slot a pixel wide is not a fit.
    bool fits = !ours || !slot || (slot->width >= width && ours->width >= width);
    std::free(ours);
    std::free(slot);
    if (!fits) {
        // An embedder that took the window in before it saw it mapped or read its hints sizes
        // its slot to a pixel and only measures again when the window says it is mapped or
        // changes its hints.
        rewrite(id, atom("_XEMBED_INFO"));
        rewrite(id, XCB_ATOM_WM_NORMAL_HINTS);
        xcb_flush(connection_);
    }
    return fits;
}

void XEmbedTray::rewrite(xcb_window_t window, xcb_atom_t property) {
    auto reply = xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
        nullptr);
    if (reply && reply->type != XCB_ATOM_NONE && reply->format == 32) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, property, reply->type, 32,
                            static_cast<std::uint32_t>(xcb_get_property_value_length(reply) / 4),
                            xcb_get_property_value(reply));
    }
    std::free(reply);
}

}  // namespace tv::linux_os
