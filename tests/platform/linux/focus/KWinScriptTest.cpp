// Our script inside a real KWin (kwin_wayland --virtual on the rig's private bus): it reports
// the pid of the native Wayland window the user works in, follows activation to another
// window, and nothing of it outlives KWin or TallyVane's quitting.
#include "platform/linux/focus/KWinScript.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTemporaryDir>

#include <filesystem>
#include <memory>

#include "platform/linux/focus/ReportedFrontApp.h"
#include "platform/linux/desktop/ResourceFolder.h"
#include "support/DesktopRig.h"
#include "support/EventLoop.h"
#include "support/Spawned.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using linux_os::KWinScript;
using linux_os::ReportedFrontApp;
using test::DesktopRig;
using test::Spawned;
using test::spin;

QDBusMessage askScripting(QDBusConnection& bus) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
        QStringLiteral("org.kde.kwin.Scripting"), QStringLiteral("isScriptLoaded"));
    call << QString::fromLatin1(KWinScript::pluginName);
    return bus.call(call, QDBus::Block, 3000);
}

bool scriptLoaded(QDBusConnection& bus) {
    QDBusMessage reply = askScripting(bus);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

TEST(KWinScript, ReportsTheActiveNativeWindowOfARealKWin) {
    const fs::path installed = "/usr/bin/kwin_wayland";
    if (!fs::exists(installed)) {
        GTEST_SKIP() << "kwin_wayland is not installed";
    }
    DesktopRig rig{{}};
    ASSERT_TRUE(rig.started()) << "the desktop rig did not start";
    const std::string address = rig.env("DBUS_SESSION_BUS_ADDRESS");
    // The packaged binary carries a file capability, which a process cannot use here; a plain
    // copy does not.
    QTemporaryDir home;
    const std::string runtime = home.filePath("runtime").toStdString();
    const std::string kwinCopy = home.filePath("kwin_wayland").toStdString();
    fs::create_directory(runtime);
    ::chmod(runtime.c_str(), 0700);
    fs::copy_file(installed, kwinCopy);
    const std::vector<std::string> session{
        "env",
        "-u",
        "DISPLAY",
        "-u",
        "WAYLAND_DISPLAY",
        "-u",
        "QT_QPA_PLATFORM",
        "DBUS_SESSION_BUS_ADDRESS=" + address,
        "XDG_RUNTIME_DIR=" + runtime,
        "XDG_CONFIG_HOME=" + home.filePath("config").toStdString()};
    auto inSession = [&](std::vector<std::string> command) {
        std::vector<std::string> argv = session;
        argv.insert(argv.end(), command.begin(), command.end());
        return argv;
    };

    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(address),
                                                        QStringLiteral("tallyvane-kwin"));
    ASSERT_TRUE(bus.interface()->registerService(QStringLiteral("app.tallyvane.TallyVane")));
    auto kwin = std::make_unique<Spawned>(inSession(
        {kwinCopy, "--virtual", "--no-lockscreen", "--width", "1280", "--height", "800"}));
    // Up once it runs scripts (its workspace is ready) and takes clients.
    auto ready = [&] {
        return askScripting(bus).type() == QDBusMessage::ReplyMessage &&
               fs::exists(runtime + "/wayland-0");
    };
    if (!spin(30, ready)) {
        QDBusConnection::disconnectFromBus(bus.name());
        GTEST_SKIP() << "KWin did not start here (no scripting on the bus, no wayland-0 in 30 s)";
    }

    {
        ReportedFrontApp front(bus, ::getpid(), "KWin script", {QStringLiteral("org.kde.KWin")});
        const std::string folder = linux_os::resourceFolderOf(linux_os::runningProgram(), "kwin");
        ASSERT_FALSE(folder.empty()) << "the script is not beside the program";
        auto script =
            std::make_unique<KWinScript>(bus, QString::fromStdString(folder + "/focus.js"));
        ASSERT_TRUE(script->load());
        KWinScript* loaded = script.get();
        front.keep(std::move(script));
        EXPECT_TRUE(scriptLoaded(bus));

        const std::vector<std::string> window{
            "WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=wayland", TALLYVANE_TEST_NATIVE_WINDOW};
        Spawned first(inSession(window));
        EXPECT_TRUE(spin(20, [&] { return front.frontPid() == first.pid(); }))
            << "the first window's pid was not reported: " << front.frontPid().value_or(0);
        {
            Spawned second(inSession(window));
            EXPECT_TRUE(spin(20, [&] { return front.frontPid() == second.pid(); }))
                << "activating the second window did not change the report";
        }
        // KWin gives the focus back when the second window closes; a closed window's pid is
        // never left in front.
        EXPECT_TRUE(spin(20, [&] { return front.frontPid() == first.pid(); }));

        loaded->unload();  // as at quit
        EXPECT_FALSE(scriptLoaded(bus));
        EXPECT_TRUE(loaded->load());

        kwin.reset();  // the compositor ends: its last report dies with it
        EXPECT_TRUE(spin(10, [&] { return !front.frontPid(); }));
        // A KWin started again (a crash, a restart) gets the script again.
        kwin = std::make_unique<Spawned>(inSession(
            {kwinCopy, "--virtual", "--no-lockscreen", "--width", "1280", "--height", "800"}));
        EXPECT_TRUE(spin(30, [&] { return scriptLoaded(bus); }));
    }
    EXPECT_FALSE(scriptLoaded(bus)) << "the script outlived the source that loaded it";
    QDBusConnection::disconnectFromBus(bus.name());
}

}  // namespace
}  // namespace tv
