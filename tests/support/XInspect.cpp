#include "support/XInspect.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <functional>

namespace tv::test {

namespace {

std::string property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t which) {
    auto reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, which, XCB_ATOM_STRING, 0, 256), nullptr);
    std::string out;
    if (reply) {
        out.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                   static_cast<std::size_t>(xcb_get_property_value_length(reply)));
        std::free(reply);
    }
    return out;
}

}  // namespace

XInspect::XInspect(const std::string& display) {
    connection_ = xcb_connect(display.c_str(), nullptr);
}

XInspect::~XInspect() {
    if (connection_) {
        xcb_disconnect(connection_);
    }
}

bool XInspect::connected() const {
    return connection_ && !xcb_connection_has_error(connection_);
}

std::optional<QRect> XInspect::window(const std::string& name, const std::string& parent) {
    if (!connected()) {
        return std::nullopt;
    }
    xcb_connection_t* c = connection_;
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    std::optional<QRect> found;
    std::function<void(xcb_window_t, const std::string&)> walk = [&](xcb_window_t w,
                                                                     const std::string& above) {
        if (found)
            return;
        auto tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
        if (!tree)
            return;
        xcb_window_t* children = xcb_query_tree_children(tree);
        int count = xcb_query_tree_children_length(tree);
        for (int i = 0; i < count && !found; ++i) {
            xcb_window_t child = children[i];
            std::string title = property(c, child, XCB_ATOM_WM_NAME);
            bool nameMatches = title == name && (parent.empty() || above == parent);
            if (nameMatches) {
                auto attributes = xcb_get_window_attributes_reply(
                    c, xcb_get_window_attributes(c, child), nullptr);
                bool mapped = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
                std::free(attributes);
                auto geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, child), nullptr);
                auto at = xcb_translate_coordinates_reply(
                    c, xcb_translate_coordinates(c, child, root, 0, 0), nullptr);
                if (mapped && geometry && at) {
                    found = QRect(at->dst_x, at->dst_y, geometry->width, geometry->height);
                }
                std::free(geometry);
                std::free(at);
            }
            walk(child, title.empty() ? above : title);
        }
        std::free(tree);
    };
    walk(root, "");
    return found;
}

QImage XInspect::grab(const QRect& area) {
    if (!connected() || area.isEmpty()) {
        return {};
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    auto reply = xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<int16_t>(area.x()),
                      static_cast<int16_t>(area.y()), static_cast<uint16_t>(area.width()),
                      static_cast<uint16_t>(area.height()), ~0u),
        nullptr);
    if (!reply) {
        return {};
    }
    QImage image(xcb_get_image_data(reply), area.width(), area.height(), area.width() * 4,
                 QImage::Format_RGB32);
    QImage copy = image.copy();
    std::free(reply);
    return copy;
}

}  // namespace tv::test
