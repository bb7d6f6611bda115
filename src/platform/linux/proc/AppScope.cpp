#include "platform/linux/proc/AppScope.h"

#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// "launcher-id" or "id" (with the id's own dashes escaped): the id after a launcher first,
// then the whole, for launchers that do not escape.
std::vector<std::string> idsOf(std::string_view body) {
    std::vector<std::string> ids;
    if (body.empty()) {
        return ids;
    }
    // A part that decodes to nothing (only escaped slashes or NULs) names no application.
    auto add = [&ids](std::string id) {
        if (!id.empty()) {
            ids.push_back(std::move(id));
        }
    };
    std::size_t dash = body.find('-');
    if (dash != std::string_view::npos && dash + 1 < body.size()) {
        add(unescapeUnitName(body.substr(dash + 1)));
    }
    add(unescapeUnitName(body));
    return ids;
}

}  // namespace

std::string unescapeUnitName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
            hexDigit(text[i + 2]) >= 0 && hexDigit(text[i + 3]) >= 0) {
            char decoded = static_cast<char>(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3]));
            // An escaped "/" or NUL would let a unit name point outside the applications folders.
            if (decoded != '/' && decoded != '\0') {
                out += decoded;
            }
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> desktopIdsOfUnit(std::string_view unit) {
    // No unit name holds a slash or a NUL; such text names no application.
    if (unit.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
        return {};
    }
    if (unit.substr(0, 5) == "snap.") {
        std::string_view rest = unit.substr(5);
        if (!rest.ends_with(".scope") && !rest.ends_with(".service")) {
            return {};
        }
        std::size_t dot = rest.find('.');
        if (dot == std::string_view::npos || dot == 0) {
            return {};
        }
        std::string_view snap = rest.substr(0, dot);
        std::string_view app = rest.substr(dot + 1);
        std::size_t end = app.find_first_of("-.");
        app = app.substr(0, end);
        if (app.empty()) {
            return {};
        }
        return {std::string(snap) + "_" + std::string(app)};
    }
    if (unit.substr(0, 4) != "app-") {
        return {};
    }
    std::string_view body = unit.substr(4);
    if (body.ends_with(".scope")) {
        body.remove_suffix(6);
        std::size_t dash = body.rfind('-');
        if (dash == std::string_view::npos) {
            return {};
        }
        body = body.substr(0, dash);
    } else if (body.ends_with(".service")) {
        body.remove_suffix(8);
        std::size_t at = body.find('@');
        if (at != std::string_view::npos) {
            body = body.substr(0, at);
        } else if (body.ends_with("-autostart")) {
            body.remove_suffix(10);
        }
    } else {
        return {};
    }
    return idsOf(body);
}

std::string cgroupPath(std::string_view cgroupFile) {
    std::string unified, named;
    forEachLine(cgroupFile, [&](std::string_view line) {
        if (line.substr(0, 3) == "0::") {
            unified = std::string(line.substr(3));
        } else if (std::size_t at = line.find(":name=systemd:"); at != std::string_view::npos) {
            named = std::string(line.substr(at + 14));
        }
    });
    // A hybrid hierarchy keeps the systemd units in the named one; the unified one is "/".
    return unified.empty() || unified == "/" ? (named.empty() ? unified : named) : unified;
}

std::string lastComponent(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace tv::linux_os
