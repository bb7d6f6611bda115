#include "platform/linux/focus/X11ClientPid.h"

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace tv::linux_os {

std::optional<std::int32_t> clientPidOf(xcb_connection_t* connection, std::uint32_t window) {
    if (connection == nullptr || window == 0) {
        return std::nullopt;
    }
    // A request of an extension the server lacks would close the connection.
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_res_id);
    if (extension == nullptr || extension->present == 0) {
        return std::nullopt;
    }
    xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    xcb_res_query_client_ids_reply_t* reply = xcb_res_query_client_ids_reply(
        connection, xcb_res_query_client_ids(connection, 1, &spec), nullptr);
    if (reply == nullptr) {
        return std::nullopt;
    }
    std::optional<std::int32_t> pid;
    for (auto ids = xcb_res_query_client_ids_ids_iterator(reply); ids.rem > 0 && !pid;
         xcb_res_client_id_value_next(&ids)) {
        if ((ids.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) == 0 ||
            xcb_res_client_id_value_value_length(ids.data) < 1) {
            continue;
        }
        std::uint32_t value = 0;
        std::memcpy(&value, xcb_res_client_id_value_value(ids.data), sizeof value);
        if (value > 0 && value < (1U << 31)) {
            pid = static_cast<std::int32_t>(value);
        }
    }
    std::free(reply);
    return pid;
}

std::optional<std::int32_t> windowPidOf(xcb_connection_t* c, std::uint32_t window) {
    if (auto pid = clientPidOf(c, window)) {
        return pid;
    }
    if (c == nullptr || window == 0) {
        return std::nullopt;
    }
    const char name[] = "_NET_WM_PID";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr);
    if (atom == nullptr) {
        return std::nullopt;
    }
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom->atom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    std::free(atom);
    std::optional<std::int32_t> pid;
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
        std::uint32_t value = 0;
        std::memcpy(&value, xcb_get_property_value(reply), 4);
        if (value > 0 && value < (1U << 31)) {
            pid = static_cast<std::int32_t>(value);
        }
    }
    std::free(reply);
    return pid;
}

}  // namespace tv::linux_os
