#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/AppShell.h"
#include "app/CommandLine.h"
#include "app/GuiStart.h"
#include "app/SelfCheck.h"
#include "app/SingleInstance.h"
#include "app/ToolkitStartGuard.h"
#include "app/Watch.h"
#include "makeway/Watchdog.h"
#include "platform/CrashReports.h"
#include "platform/Displays.h"

int main(int argc, char** argv) {
    // The watchdog mode stays as small as it can: none of the program's set-up.
    if (tv::Watchdog::called(argc, argv)) {
        return tv::Watchdog::run(argc, argv);
    }
    // Answers that need nothing else come before anything is set up, desktop or not.
    tv::CommandLine line = tv::CommandLine::read(argc, argv);
    switch (line.mode) {
        case tv::CommandLine::Mode::help:
            std::fputs(tv::CommandLine::usage().c_str(), stdout);
            return 0;
        case tv::CommandLine::Mode::version:
            std::fputs("TallyVane " TALLYVANE_VERSION "\n", stdout);
            return 0;
        case tv::CommandLine::Mode::mistake:
            std::fputs(line.mistakeText().c_str(), stderr);
            return 2;
        default:
            break;
    }
    // First, while this is the only thread.
    tv::platform::installCrashWriter(TALLYVANE_VERSION);
    if (line.mode == tv::CommandLine::Mode::check) {
        return tv::runSelfCheck(line.json);
    }
    if (line.mode == tv::CommandLine::Mode::watch) {
        return tv::runWatch(argc, argv);
    }
    const char* requested = std::getenv("QT_QPA_PLATFORM");
    tv::platform::Displays displays = tv::platform::reachableDisplays();
    tv::GuiStart start = tv::GuiStart::choose(requested ? requested : "", displays);
    if (!start.possible) {
        std::fputs(tv::GuiStart::noDesktopText().c_str(), stderr);
        return 1;
    }
    // What the toolkit is told here is for this process alone: the apps it opens, and the
    // tools it runs, get the session's environment as it came.
    std::vector<const char*> toolkitOnly;
    if (!start.platform.empty()) {
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(start.platform));
        toolkitOnly.push_back("QT_QPA_PLATFORM");
    }
    // A choice made in the environment stands.
    if (displays.x11 && !qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM") &&
        tv::GuiStart::framesInRequests(
            displays.x11Resources, qEnvironmentVariable("QT_SCALE_FACTOR").toStdString(),
            qEnvironmentVariable("QT_SCREEN_SCALE_FACTORS").toStdString())) {
        qputenv("QT_XCB_NO_MITSHM", "1");
        toolkitOnly.push_back("QT_XCB_NO_MITSHM");
    }
    std::unique_ptr<QApplication> app;
    {
        tv::ToolkitStartGuard guard;
        app = std::make_unique<QApplication>(argc, argv);
    }
    // Both are read once, as the toolkit connects to the display.
    for (const char* name : toolkitOnly) {
        qunsetenv(name);
    }
    QApplication::setApplicationName(QStringLiteral("TallyVane"));
    QApplication::setOrganizationName(QStringLiteral("TallyVane"));
    QApplication::setDesktopFileName(QStringLiteral("tallyvane"));
    QApplication::setQuitOnLastWindowClosed(false);
    tv::SingleInstance instance(QDBusConnection::sessionBus());
    if (!instance.claim()) {
        // Another TallyVane runs in this session: it opens its panel, this start ends.
        if (instance.askToOpen()) {
            return 0;
        }
        std::fputs("tallyvane: another TallyVane is running in this session but not answering\n",
                   stderr);
        return 1;
    }
    tv::AppShell shell(QApplication::arguments());
    instance.setOnOpen([&shell] { shell.open(); });
    shell.launch();
    return QApplication::exec();
}
