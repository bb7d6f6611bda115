#include "platform/linux/holdback/UserManagerCpuWeight.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/linux/holdback/LinuxBackgroundBand.h"
#include "support/DesktopRig.h"
#include "support/Spawned.h"

namespace tv::linux_os {
namespace {

using test::Spawned;
using test::waitFor;

// What the stand-in service manager holds now: unit → CPUWeight.
std::map<std::string, std::uint64_t> weights(const std::string& state) {
    std::map<std::string, std::uint64_t> out;
    std::ifstream in(state);
    std::string unit;
    for (std::uint64_t weight; in >> unit >> weight;) {
        out[unit] = weight;
    }
    return out;
}

TEST(UserManagerCpuWeight, NamesOnlyAppUnitsBelowAUsersManager) {
    const std::string user = "/user.slice/user-1000.slice/user@1000.service";
    EXPECT_EQ(UserManagerCpuWeight::unitOf(user + "/app.slice/app-org.gnome.Terminal-42.scope"),
              "app-org.gnome.Terminal-42.scope");
    EXPECT_EQ(UserManagerCpuWeight::unitOf(user + "/app.slice/app-org.kde.dolphin@3f.service"),
              "app-org.kde.dolphin@3f.service");
    for (std::string group : {user, user + "/init.scope", user + "/app.slice",
                              std::string("/system.slice/cron.service"),
                              std::string("/user.slice/user@x.service/a.scope"),
                              user + "/app.slice/a b.scope", user + "/app.slice/-a.scope"}) {
        EXPECT_EQ(UserManagerCpuWeight::unitOf(group), "") << group;
    }
}

// Through a stand-in for the user's service manager on the rig's private bus.
TEST(UserManagerCpuWeight, LowersAnAppsUnitToIdleAndGivesBackExactlyWhatWasThere) {
    test::DesktopRig rig({});
    ASSERT_TRUE(rig.started());
    const std::string bus = rig.env("DBUS_SESSION_BUS_ADDRESS");
    QTemporaryDir dir;
    const std::string state = dir.filePath("state").toStdString();
    const std::string under = "/user.slice/user-0.slice/user@0.service/app.slice/";
    const std::string app = "app-org.example.Build-7.scope", sync = "app-sync@3.service",
                      plain = "app-plain-1.scope", idle = "app-idle-2.scope";
    const std::string unset = std::to_string(UserManagerCpuWeight::unset);
    auto manager = std::make_unique<Spawned>(
        std::vector<std::string>{TALLYVANE_FAKE_USER_MANAGER, bus, state, app + "=100",
                                 sync + "=250", plain + "=" + unset, idle + "=0"});
    ASSERT_TRUE(waitFor(10, [&] { return weights(state).size() == 4; }));
    const std::string root = dir.filePath("root").toStdString();  // no cgroup files at all
    LinuxBackgroundBand band(root, bus);
    // The service manager's weight is the first band an app is offered.
    EXPECT_EQ(band.describe().rfind("per app, the first that acts of systemd CPU weight", 0), 0u)
        << band.describe();
    std::vector<std::string> recorded;  // each line with the unit's weight when it was recorded
    auto record = [&](const std::vector<std::string>& lines) {
        std::string unit = lines.at(0).substr(5, lines.at(0).find(' ', 5) - 5);
        recorded.push_back(lines.at(0) + " at " + std::to_string(weights(state)[unit]));
    };
    band.recordAheadWith(record);

    std::string savedApp = band.slowGroup(under + app);
    EXPECT_EQ(recorded, std::vector<std::string>{savedApp + " at 100"}) << "recorded first";
    std::string savedPlain = band.slowGroup(under + plain);
    std::string savedSync = band.slowGroup(under + sync);
    EXPECT_EQ(savedApp, "unit " + app + " 100 0");
    EXPECT_EQ(savedPlain, "unit " + plain + " " + unset + " 0");
    EXPECT_EQ(band.slowGroup(under + idle), "") << "already idle: someone else's";
    EXPECT_EQ(band.slowGroup(under + "app-unknown-9.scope"), "");
    EXPECT_EQ(weights(state),
              (std::map<std::string, std::uint64_t>{{app, 0}, {sync, 0}, {plain, 0}, {idle, 0}}));

    UserManagerCpuWeight(bus).setWeight(sync, 500);  // the user changed it since
    for (const std::string& saved : {savedApp, savedPlain, savedSync}) {
        band.restore(saved);
    }
    for (std::string bad : {"unit " + app + " 7 100", std::string("unit ../x.scope 100 0"),
                            "unit " + app + " 0 100", "unit " + app + " 100"}) {
        band.restore(bad);  // changes nothing
    }
    EXPECT_EQ(weights(state),
              (std::map<std::string, std::uint64_t>{
                  {app, 100}, {sync, 500}, {plain, UserManagerCpuWeight::unset}, {idle, 0}}));

    // A manager without the idle weight gets the lowest ordinary one.
    manager.reset();
    std::filesystem::remove(state);
    manager = std::make_unique<Spawned>(std::vector<std::string>{TALLYVANE_FAKE_USER_MANAGER, bus,
                                                                 state, "--no-idle", app + "=100"});
    ASSERT_TRUE(waitFor(10, [&] { return weights(state).size() == 1; }));
    LinuxBackgroundBand older(root, bus);
    recorded.clear();
    older.recordAheadWith(record);
    std::string saved = older.slowGroup(under + app);
    EXPECT_EQ(saved, "unit " + app + " 100 1");
    EXPECT_EQ(recorded,
              (std::vector<std::string>{"unit " + app + " 100 0 at 100", saved + " at 100"}));
    older.restore(saved);
    EXPECT_EQ(weights(state)[app], 100u);

    manager.reset();
    LinuxBackgroundBand alone(root, bus);
    EXPECT_EQ(alone.describe().find("systemd"), std::string::npos) << alone.describe();
    EXPECT_EQ(alone.slowGroup(under + app), "");
}

}  // namespace
}  // namespace tv::linux_os
