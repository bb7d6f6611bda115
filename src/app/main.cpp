#include <QApplication>

#include <cstring>

#include "app/AppShell.h"
#include "app/SelfCheck.h"
#include "app/SingleInstance.h"
#include "app/Watch.h"
#include "makeway/Watchdog.h"
#include "platform/CrashReports.h"

int main(int argc, char** argv) {
    // The watchdog mode stays as small as it can: none of the program's set-up.
    if (tv::Watchdog::called(argc, argv)) {
        return tv::Watchdog::run(argc, argv);
    }
    // First, while this is the only thread.
    tv::platform::installCrashWriter(TALLYVANE_VERSION);
    bool check = false;
    bool json = false;
    bool watch = false;
    for (int i = 1; i < argc; ++i) {
        check = check || std::strcmp(argv[i], "--check") == 0;
        json = json || std::strcmp(argv[i], "--json") == 0;
        watch = watch || std::strcmp(argv[i], "--watch") == 0;
    }
    if (check) {
        return tv::runSelfCheck(json);
    }
    if (watch) {
        return tv::runWatch(argc, argv);
    }
    // In a Wayland session with XWayland, the panel can be placed at the tray item only as an
    // X client; without XWayland it stays a native (unplaced) window.
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && qEnvironmentVariableIsSet("DISPLAY") &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TallyVane"));
    QApplication::setOrganizationName(QStringLiteral("TallyVane"));
    QApplication::setDesktopFileName(QStringLiteral("tallyvane"));
    QApplication::setQuitOnLastWindowClosed(false);
    tv::SingleInstance instance(QDBusConnection::sessionBus());
    if (!instance.claim()) {
        // Another TallyVane runs in this session: it opens its panel, this start ends.
        return instance.askToOpen() ? 0 : 1;
    }
    tv::AppShell shell(QApplication::arguments());
    instance.setOnOpen([&shell] { shell.open(); });
    shell.launch();
    return QApplication::exec();
}
