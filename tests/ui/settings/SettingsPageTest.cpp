#include "ui/settings/SettingsPage.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QFile>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "alerts/Notifier.h"
#include "feedback/Site.h"
#include "monitor/Monitor.h"
#include "platform/linux/desktop/AutostartEntry.h"
#include "settings/AlertSwitches.h"
#include "settings/FocusConsent.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "support/DesktopRig.h"
#include "support/EventLoop.h"
#include "support/FakeReaders.h"
#include "support/LoopbackHttp.h"
#include "support/Widgets.h"
#include "ui/feedback/StarPicker.h"

namespace tv {
namespace {

using test::button;
using test::LoopbackHttp;
using test::shows;
using test::spin;

const QStringList eightSwitches = {"CPU",
                                   "Memory",
                                   "Temperature",
                                   "Memory running out",
                                   "Overheating",
                                   "App stuck at full speed",
                                   "Make way for the app you're using",
                                   "Sounds for clicks and alerts"};

class SettingsPageTest : public testing::Test {
  protected:
    SettingsPageTest() {
        MonitorParts parts;
        parts.readers = std::make_unique<test::FakeReaders>(machine);
        parts.samplerSettings = std::make_unique<Settings>(ini());
        parts.settings = std::make_unique<Settings>(ini());
        parts.system = std::make_unique<test::FakeSystem>();
        parts.frontApp = std::make_unique<test::FakeFront>(&front);
        parts.words = &Vocabulary::forLinux();
        parts.clock = [] { return dateFromSeconds(1.8e9); };
        monitor = std::make_unique<Monitor>(std::move(parts));
    }

    QString ini() const { return dir.filePath("TallyVane.ini"); }

    std::vector<std::string> played;

    std::unique_ptr<SettingsPage> open(Notifier* notifier = nullptr,
                                       FocusConsent* focus = nullptr) {
        auto page = std::make_unique<SettingsPage>(SettingsPage::Parts{
            *monitor, notifier, autostart, "/opt/TallyVane/tallyvane", updates,
            [this] { ++settingsOpened; },
            ReviewPage::Parts{settings, site, "0.1.0", "Linux", Vocabulary::forLinux(),
                              [this](const QUrl& link) { opened.push_back(link); },
                              [this](const char* sound) { played.push_back(sound); }},
            focus});
        return page;
    }

    // The INI file as another program sees it.
    QString fileText() {
        spin(0.2, [] { return false; });  // the store writes from the event loop
        QFile file(ini());
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }

    QTemporaryDir dir;
    Settings settings{ini()};
    std::shared_ptr<test::FakeMachine> machine = std::make_shared<test::FakeMachine>();
    std::vector<FrontAppCandidate> front;
    std::unique_ptr<Monitor> monitor;
    linux_os::AutostartEntry autostart{dir.filePath("config").toStdString()};
    LoopbackHttp server;
    Site site{server.url(), 5000};
    UpdateChecker updates{settings, site, QStringLiteral("0.1.0")};
    int settingsOpened = 0;
    std::vector<QUrl> opened;
};

TEST_F(SettingsPageTest, AFreshStoreShowsEverySwitchOnAndEachFlipIsStoredAtOnce) {
    auto page = open();
    for (const QString& name : eightSwitches) {
        QAbstractButton* toggle = button(*page, name);
        ASSERT_TRUE(toggle) << name.toStdString();
        EXPECT_TRUE(toggle->isChecked()) << name.toStdString();
    }
    EXPECT_EQ(settings.panel(), "cpu");
    EXPECT_FALSE(settings.flag(SettingKeys::sortByCPU)) << "apps by memory";
    StarPicker* rating = page->findChild<StarPicker*>();
    EXPECT_EQ(rating->stars(), 0);
    EXPECT_EQ(rating->toolTip(), "Rate TallyVane");
    EXPECT_TRUE(shows(*page, "When your computer has to squeeze apps to fit"));
    EXPECT_TRUE(shows(*page, "When Linux slows your computer down to cool it"));
    EXPECT_TRUE(shows(*page, "WHEN YOUR COMPUTER STRUGGLES"));
    EXPECT_TRUE(shows(*page, "TallyVane 0.1.0"));

    // A real click on the switch, and one on the label of another.
    QAbstractButton* makeWay = button(*page, "Make way for the app you're using");
    QTest::mouseClick(makeWay, Qt::LeftButton);
    EXPECT_TRUE(fileText().contains("makeWay=false"));
    QLabel* memoryLabel = nullptr;
    for (QLabel* label : page->findChildren<QLabel*>())
        if (label->text() == "Memory")
            memoryLabel = label;
    QTest::mouseClick(memoryLabel, Qt::LeftButton);
    EXPECT_FALSE(settings.isOn(SettingKeys::menuMemory));
    QTest::mouseClick(makeWay, Qt::LeftButton);
    EXPECT_TRUE(settings.isOn(SettingKeys::makeWay));

    // A switch stored as text (not a boolean) counts as on, here and for the rules.
    settings.setText(SettingKeys::alertHeat, "yes");
    EXPECT_TRUE(currentSwitches(settings).heat);
    EXPECT_TRUE(button(*open(), "Overheating")->isChecked());
}

TEST_F(SettingsPageTest, EscapeAndBackLeaveTheRatingFormFirstThenThePage) {
    auto page = open();
    QSignalSpy back(page.get(), &SettingsPage::back);
    page->findChild<StarPicker*>()->star(4)->click();
    ASSERT_TRUE(page->reviewPage());
    EXPECT_EQ(page->reviewPage()->stars(), 4);
    EXPECT_EQ(played, (std::vector<std::string>{"Select"})) << "a picked star clicks";
    QTest::keyClick(page->reviewPage()->findChild<QPlainTextEdit*>(), Qt::Key_Escape);
    EXPECT_FALSE(page->reviewPage());
    EXPECT_LT(page->optionsPage().x(), 0) << "the page comes back from the leading side";
    EXPECT_NE(page->optionsPage().graphicsEffect(), nullptr) << "fading in";
    spin(1.0, [] { return false; });
    EXPECT_EQ(page->optionsPage().x(), 0);
    EXPECT_EQ(page->optionsPage().graphicsEffect(), nullptr) << "settled: drawn without a fade";
    EXPECT_EQ(back.count(), 0);
    QTest::keyClick(page.get(), Qt::Key_Escape);
    EXPECT_EQ(back.count(), 1);
    button(*page, "Back")->click();
    EXPECT_EQ(back.count(), 2);

    button(*page, "Support")->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toEncoded(), "mailto:support@tallyvane.app?subject=TallyVane%200.1.0");
    settings.setInteger(SettingKeys::reviewStars, 4);
    EXPECT_EQ(open()->findChild<StarPicker*>()->toolTip(), "Your rating. Click to rate again.");
}

TEST_F(SettingsPageTest, OpenAtLoginShowsTheEntryAndFallsBackWhenRefused) {
    auto page = open();
    QAbstractButton* login = button(*page, "Open at login");
    EXPECT_FALSE(login->isChecked());
    QTest::mouseClick(login, Qt::LeftButton);
    EXPECT_TRUE(autostart.isEnabled());
    EXPECT_TRUE(button(*open(), "Open at login")->isChecked()) << "read again at each opening";
    QTest::mouseClick(login, Qt::LeftButton);
    EXPECT_FALSE(autostart.isEnabled());

    // Switched off in the desktop's own startup settings, which only mark the entry.
    ASSERT_TRUE(autostart.enable("/opt/TallyVane/tallyvane"));
    std::string entry = test::textOf(autostart.path());
    entry.replace(entry.find("X-GNOME-Autostart-enabled=true"), 30,
                  "X-GNOME-Autostart-enabled=false");
    std::ofstream(autostart.path()) << entry;
    EXPECT_FALSE(button(*open(), "Open at login")->isChecked()) << "off as the desktop says";
    std::filesystem::remove(autostart.path());

    // The autostart folder cannot be made: the switch returns to what is real.
    std::filesystem::path folder = dir.filePath("config/autostart").toStdString();
    std::filesystem::remove_all(folder);
    QFile(QString::fromStdString(folder.string())).open(QIODevice::WriteOnly);
    auto refused = open();
    QAbstractButton* again = button(*refused, "Open at login");
    QTest::mouseClick(again, Qt::LeftButton);
    EXPECT_FALSE(again->isChecked());
    EXPECT_FALSE(autostart.isEnabled());
}

// The desktop's front-window add-on, as the desktop answers for it.
struct FakeFocusExtension : FocusExtension {
    State now = State::off;
    bool refuse = false;
    State state() override { return now; }
    bool enable() override { return !refuse && (now = State::on, true); }
    bool disable() override { return !refuse && (now = State::off, true); }
};

TEST_F(SettingsPageTest, TheFrontWindowSwitchTurnsTheDesktopsAddOnOnAndOffAndShowsWhatIsReal) {
    EXPECT_EQ(button(*open(), "See the app in front"), nullptr) << "not on desktops without one";

    FakeFocusExtension extension;
    FocusConsent consent(settings, extension);
    auto page = open(nullptr, &consent);
    QAbstractButton* focus = button(*page, "See the app in front");
    ASSERT_NE(focus, nullptr);
    EXPECT_FALSE(focus->isChecked());
    QTest::mouseClick(focus, Qt::LeftButton);
    EXPECT_EQ(extension.now, FocusExtension::State::on);
    EXPECT_TRUE(fileText().contains("focusExtension=on"));
    QTest::mouseClick(focus, Qt::LeftButton);
    EXPECT_EQ(extension.now, FocusExtension::State::off);
    EXPECT_TRUE(fileText().contains("focusExtension=off"));

    // The desktop refuses: the switch goes back to what is real.
    extension.refuse = true;
    QTest::mouseClick(focus, Qt::LeftButton);
    EXPECT_FALSE(focus->isChecked());
    extension.now = FocusExtension::State::absent;
    EXPECT_EQ(button(*open(nullptr, &consent), "See the app in front"), nullptr);
}

TEST_F(SettingsPageTest, CheckNowShowsItsAnswerInThePage) {
    auto page = open();
    server.body = "0.1.0\n";
    button(*page, "Check now")->click();
    EXPECT_TRUE(spin(10, [&] { return shows(*page, "You have the newest version."); }));
    server.body = "0.2.0\nhttps://tallyvane.app/releases/0.2.0\n";
    button(*page, "Check now")->click();
    QString newer = QStringLiteral(
        "TallyVane 0.2.0 is out. <a href=\"https://tallyvane.app/releases/0.2.0\">Download "
        "it</a>");
    ASSERT_TRUE(spin(10, [&] { return shows(*page, newer); }));
    for (QLabel* label : page->findChildren<QLabel*>())
        if (label->text() == newer)
            emit label->linkActivated("https://tallyvane.app/releases/0.2.0");
    EXPECT_EQ(opened.at(0), QUrl("https://tallyvane.app/releases/0.2.0"));
    server.status = 500;
    button(*page, "Check now")->click();
    EXPECT_TRUE(spin(10, [&] {
        return shows(*page, "Couldn't check for updates. Check your connection and try again.");
    }));

    QAbstractButton* automatic = button(*page, "Check for updates automatically");
    EXPECT_FALSE(automatic->isChecked());
    QTest::mouseClick(automatic, Qt::LeftButton);
    EXPECT_TRUE(updates.automatic());
}

// What an automatic check found is said in the page when it next opens.
TEST_F(SettingsPageTest, ANewerVersionFoundAutomaticallyIsShownWhenThePageOpens) {
    QString newer = QStringLiteral(
        "TallyVane 0.2.0 is out. <a href=\"https://tallyvane.app/releases/0.2.0\">Download "
        "it</a>");
    EXPECT_FALSE(shows(*open(), newer));
    updates.setAutomatic(true);
    server.body = "0.2.0\nhttps://tallyvane.app/releases/0.2.0\n";
    updates.tick(dateFromSeconds(1.8e9));
    ASSERT_TRUE(spin(10, [&] { return updates.newer().has_value(); }));
    auto page = open();
    EXPECT_TRUE(shows(*page, newer));

    // A later check that finds this version newest takes it back.
    server.body = "0.1.0\n";
    button(*page, "Check now")->click();
    ASSERT_TRUE(spin(10, [&] { return shows(*page, "You have the newest version."); }));
    EXPECT_FALSE(shows(*open(), newer));
}

QDBusConnection privateBusOf(const test::DesktopRig& rig, const char* name) {
    return QDBusConnection::connectToBus(
        QString::fromStdString(rig.env("DBUS_SESSION_BUS_ADDRESS")), QString::fromLatin1(name));
}

TEST_F(SettingsPageTest, TheTestAlertWithAndWithoutANotificationServer) {
    test::DesktopRig quiet({});
    ASSERT_TRUE(quiet.started());
    Notifier none(Notifier::Parts{privateBusOf(quiet, "settings-none"),
                                  [](const std::string&) { return false; },
                                  [] { return false; },
                                  [] {},
                                  2000,
                                  {}});
    auto page = open(&none);
    button(*page, "Send test alert")->click();
    ASSERT_TRUE(spin(5, [&] { return shows(*page, "Alerts are turned off for TallyVane"); }));
    spin(0.3, [] { return false; });
    EXPECT_FALSE(shows(*page, "Sent. It shows at the top right of your screen."));
    button(*page, "Open Settings")->click();
    EXPECT_EQ(settingsOpened, 1);

    test::DesktopRig rig({"notifications"});
    ASSERT_TRUE(rig.started());
    Notifier notifier(Notifier::Parts{privateBusOf(rig, "settings-dunst"),
                                      [](const std::string&) { return true; },
                                      [] { return false; },
                                      [] {},
                                      2000,
                                      {}});
    notifier.setUp();
    Snapshot snapshot;
    ProcessUsage big;
    big.id = "pid:9";
    big.name = "Big Editor";
    big.memory = 3ULL << 30;
    big.count = 1;
    snapshot.processes = std::vector<ProcessUsage>{big};
    monitor->apply(snapshot);
    auto shown = open(&notifier);
    button(*shown, "Send test alert")->click();
    ASSERT_TRUE(
        spin(5, [&] { return shows(*shown, "Sent. It shows at the top right of your screen."); }));
    EXPECT_FALSE(shows(*shown, "Alerts are turned off for TallyVane"));
    ASSERT_TRUE(spin(5, [&] { return notifier.serverId("test").has_value(); }));
    EXPECT_TRUE(spin(5, [&] {
        return rig.shown().find("Memory is tight\tBig Editor is using the most") !=
               std::string::npos;
    })) << rig.shown();
}

}  // namespace
}  // namespace tv
