// The tray needs the GUI application's own X connection, so it is made apart from the rest
// of the platform.
#include <QGuiApplication>

#include <cstdlib>
#include <string>

#include "platform/Platform.h"
#include "platform/linux/tray/XEmbedTray.h"

namespace tv::platform {

namespace {

// The screen named by DISPLAY (":0.1" is screen 1).
int screenOfDisplay() {
    const char* display = std::getenv("DISPLAY");
    std::string text = display ? display : "";
    auto colon = text.rfind(':');
    auto dot = text.find('.', colon == std::string::npos ? 0 : colon);
    return dot == std::string::npos ? 0 : std::atoi(text.c_str() + dot + 1);
}

}  // namespace

std::unique_ptr<TrayEmbedder> trayEmbedder() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) {
        return nullptr;
    }
    return std::make_unique<linux_os::XEmbedTray>(x11->connection(), screenOfDisplay());
}

}  // namespace tv::platform
