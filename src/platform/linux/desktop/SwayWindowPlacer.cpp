#include "platform/linux/desktop/SwayWindowPlacer.h"

#include <unistd.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdlib>

#include "platform/linux/focus/I3Ipc.h"

namespace tv::linux_os {

namespace {

// Trees nest a few levels (root, output, workspace, splits); deeper ones are not sway's.
constexpr int depthLimit = 64;

std::optional<SwayWindow> search(const QJsonObject& node, const QJsonObject* workspace,
                                 std::int32_t pid, const QString& title, int depth) {
    if (depth > depthLimit) {
        return std::nullopt;
    }
    if (node.value(QStringLiteral("type")).toString() == QStringLiteral("workspace")) {
        workspace = &node;
    }
    if (workspace && node.value(QStringLiteral("pid")).toInteger(-1) == pid &&
        node.value(QStringLiteral("name")).toString() == title) {
        QJsonObject area = workspace->value(QStringLiteral("rect")).toObject();
        QJsonObject own = node.value(QStringLiteral("rect")).toObject();
        SwayWindow found;
        found.id = node.value(QStringLiteral("id")).toInteger();
        found.left = area.value(QStringLiteral("x")).toInt();
        found.top = area.value(QStringLiteral("y")).toInt();
        found.right = found.left + area.value(QStringLiteral("width")).toInt();
        found.bottom = found.top + area.value(QStringLiteral("height")).toInt();
        found.width = own.value(QStringLiteral("width")).toInt();
        found.height = own.value(QStringLiteral("height")).toInt();
        return found;
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node.value(QLatin1String(children)).toArray()) {
            QJsonObject object = child.toObject();
            if (auto found = search(object, workspace, pid, title, depth + 1)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<SwayWindow> SwayWindow::find(std::string_view tree, std::int32_t pid,
                                           const std::string& title) {
    QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(tree.data(), static_cast<qsizetype>(tree.size())));
    if (!document.isObject()) {
        return std::nullopt;
    }
    QJsonObject root = document.object();
    return search(root, nullptr, pid, QString::fromStdString(title), 0);
}

std::string SwayWindow::moveCommand(int x, int y) const {
    // A window larger than the area keeps its top-left corner in view.
    int placedX = std::max(left, std::min(x, right - width));
    int placedY = std::max(top, std::min(y, bottom - height));
    return "[con_id=" + std::to_string(id) + "] floating enable, move absolute position " +
           std::to_string(placedX) + " " + std::to_string(placedY);
}

std::optional<WindowPlacer::Area> focusedWorkspaceArea(std::string_view workspaces) {
    QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(workspaces.data(), static_cast<qsizetype>(workspaces.size())));
    for (const QJsonValue& space : document.array()) {
        QJsonObject object = space.toObject();
        if (!object.value(QStringLiteral("focused")).toBool()) {
            continue;
        }
        QJsonObject rect = object.value(QStringLiteral("rect")).toObject();
        WindowPlacer::Area area{rect.value(QStringLiteral("x")).toInt(),
                                rect.value(QStringLiteral("y")).toInt(),
                                rect.value(QStringLiteral("width")).toInt(),
                                rect.value(QStringLiteral("height")).toInt()};
        if (area.width > 0 && area.height > 0) {
            return area;
        }
    }
    return std::nullopt;
}

std::optional<WindowPlacer::Area> SwayWindowPlacer::usableArea() {
    std::optional<std::string> answer = I3Ipc(socket_).ask(I3Ipc::getWorkspaces);
    return answer ? focusedWorkspaceArea(*answer) : std::nullopt;
}

bool SwayWindowPlacer::place(const std::string& title, int x, int y) {
    I3Ipc ipc(socket_);
    std::optional<std::string> tree = ipc.ask(I3Ipc::getTree);
    std::optional<SwayWindow> window = tree ? SwayWindow::find(*tree, self_, title) : std::nullopt;
    if (!window) {
        return false;
    }
    std::optional<std::string> answer = ipc.ask(I3Ipc::runCommand, window->moveCommand(x, y));
    return answer && answer->find("\"success\": false") == std::string::npos &&
           answer->find("\"success\":false") == std::string::npos;
}

}  // namespace tv::linux_os

namespace tv::platform {

std::unique_ptr<WindowPlacer> windowPlacer() {
    const char* sway = std::getenv("SWAYSOCK");
    if (!sway || !*sway) {
        return nullptr;
    }
    return std::make_unique<linux_os::SwayWindowPlacer>(sway,
                                                        static_cast<std::int32_t>(::getpid()));
}

}  // namespace tv::platform
