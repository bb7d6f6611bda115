#include "ui/feedback/CrashNotice.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QPointer>
#include <QTemporaryDir>

#include "feedback/Site.h"
#include "platform/linux/desktop/DBusFileManager.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "support/DesktopRig.h"
#include "support/EventLoop.h"
#include "support/FixtureTree.h"
#include "support/LoopbackHttp.h"
#include "support/Widgets.h"
#include "ui/controls/Toggles.h"

namespace tv {

// Stands in for the desktop's file manager on a private bus and keeps what it was asked.
class FileManagerStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
  public:
    QStringList shown;

  public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
};

namespace {

using test::button;
using test::LoopbackHttp;
using test::shows;
using test::spin;

const QString couldNotSend = QStringLiteral("Couldn't send. Check your connection and try again.");
constexpr long firstLaunch = 1'764'000'000;

class CrashNoticeTest : public testing::Test {
  protected:
    void SetUp() override {
        settings.setDate(SettingKeys::firstLaunch, dateFromSeconds(firstLaunch));
    }

    // A report in the folder, modified `seconds` after the first launch.
    std::string written(const std::string& name, long seconds, const std::string& text = "report") {
        folder.write(name, text);
        timeval times[2] = {{firstLaunch + seconds, 0}, {firstLaunch + seconds, 0}};
        ::utimes((folder.root() + "/" + name).c_str(), times);
        return folder.root() + "/" + name;
    }

    std::unique_ptr<CrashNotice> open(QUrl url, platform::FileManager* files = nullptr,
                                      int timeoutMs = 2000) {
        sites.push_back(std::make_unique<Site>(url, timeoutMs));
        auto notice = std::make_unique<CrashNotice>(
            CrashNotice::Parts{settings, *sites.back(), Vocabulary::forLinux(), files,
                               [this](const QUrl& folderUrl) { opened.push_back(folderUrl); },
                               [] { return dateFromSeconds(firstLaunch + 86400); }, folder.root()});
        QObject::connect(notice.get(), &CrashNotice::dismissed, [this] { ++dismissals; });
        notice->resize(320, 110);
        return notice;
    }
    double askedUntil() const { return settings.real(SettingKeys::crashesAskedUntil); }

    QTemporaryDir dir;
    Settings settings{dir.filePath("TallyVane.ini")};
    test::FixtureTree folder;
    LoopbackHttp server;
    std::vector<std::unique_ptr<Site>> sites;
    std::vector<QUrl> opened;
    int dismissals = 0;
};

TEST_F(CrashNoticeTest, SendingPostsTheReportAndEachReportIsOfferedOnce) {
    written("TallyVane-2026-11-24-090000.ips", -60);  // before the first launch
    EXPECT_FALSE(open(server.url())->appear());
    std::string text = "Signal: SIGSEGV\nBacktrace:\n  tallyvane+0x1a2b\n";
    std::string report = written("TallyVane-2026-11-25-101010.ips", 300, text);
    written("Other-2026-11-25-111111.ips", 400);

    auto notice = open(server.url());
    ASSERT_TRUE(notice->appear());
    EXPECT_EQ(notice->report(), report);
    EXPECT_FALSE(notice->isHidden());
    EXPECT_TRUE(shows(*notice, "TallyVane quit unexpectedly"));
    EXPECT_TRUE(shows(*notice,
                      "Send the crash report so it can be fixed? It has what TallyVane "
                      "was doing when it quit, your computer's model and your Linux "
                      "version."));
    for (const char* name : {"Send report", "Don't send", "Show report"}) {
        ASSERT_TRUE(button(*notice, name)) << name;
        EXPECT_EQ(button(*notice, name)->accessibleName(), name);
    }
    EXPECT_EQ(button(*notice, "Show report")->toolTip(), "Shows the file in the file manager. It opens in a text editor.");

    button(*notice, "Send report")->click();
    EXPECT_TRUE(notice->sending());
    EXPECT_FALSE(button(*notice, "Send report")->isVisibleTo(notice.get()));
    EXPECT_FALSE(button(*notice, "Don't send")->isVisibleTo(notice.get()));
    EXPECT_TRUE(notice->findChild<Spinner*>()->isVisibleTo(notice.get()));
    ASSERT_TRUE(spin(10, [&] { return dismissals == 1; }));
    EXPECT_TRUE(notice->isHidden());
    EXPECT_FALSE(notice->report());
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(server.requests[0].method, "POST");
    EXPECT_EQ(server.requests[0].target, "/api/crash");
    EXPECT_EQ(server.requests[0].headers.value("content-type"), "text/plain");
    EXPECT_EQ(server.requests[0].body, QByteArray::fromStdString(text));
    EXPECT_EQ(askedUntil(), firstLaunch + 300);

    EXPECT_FALSE(open(server.url())->appear()) << "the answered report";
    written("TallyVane-2026-11-25-101011.ips", 300);
    EXPECT_FALSE(open(server.url())->appear()) << "one of the same time";
    written("TallyVane-2026-11-26-080000.ips", 301);
    EXPECT_TRUE(open(server.url())->appear()) << "a later crash";
}

TEST_F(CrashNoticeTest, AFailedSendOffersTryAgainAndDontSendStillRecordsTheAnswer) {
    written("TallyVane-2026-11-25-101010.ips", 300);
    // A report that vanished after it was offered fails like the network does.
    std::string vanishing = written("TallyVane-2026-11-25-121212.ips", 400);
    std::unique_ptr<CrashNotice> notice = open(server.url());
    ASSERT_TRUE(notice->appear());
    std::remove(vanishing.c_str());
    button(*notice, "Send report")->click();
    ASSERT_TRUE(spin(10, [&] { return notice->failed(); }));
    EXPECT_TRUE(server.requests.empty());

    server.status = 500;
    struct Case {
        const char* what;
        QUrl url;
    } cases[] = {{"500", server.url()}, {"closed port", LoopbackHttp::closedPort()}};
    for (const Case& c : cases) {
        notice = open(c.url);
        ASSERT_TRUE(notice->appear());
        button(*notice, "Send report")->click();
        ASSERT_TRUE(spin(10, [&] { return notice->failed(); })) << c.what;
        EXPECT_FALSE(notice->sending());
        EXPECT_TRUE(shows(*notice, couldNotSend)) << c.what;
        EXPECT_EQ(button(*notice, "Try again")->accessibleName(), "Try again");
        EXPECT_TRUE(button(*notice, "Don't send")->isVisibleTo(notice.get()));
        EXPECT_EQ(askedUntil(), 0) << c.what;
        EXPECT_EQ(dismissals, 0);
    }
    EXPECT_EQ(server.requests.size(), 1u);

    button(*notice, "Don't send")->click();
    EXPECT_EQ(askedUntil(), firstLaunch + 300);
    ASSERT_TRUE(spin(5, [&] { return dismissals == 1; }));
    EXPECT_TRUE(notice->isHidden());
    EXPECT_EQ(server.requests.size(), 1u);

    // The same notice, appearing after a later crash, opens in full again.
    written("TallyVane-2026-11-26-080000.ips", 900);
    ASSERT_TRUE(notice->appear());
    EXPECT_FALSE(notice->isHidden());
    EXPECT_GT(notice->maximumHeight(), notice->sizeHint().height());
}

// The panel closes when it loses focus and takes the notice with it, also while a report is
// being sent: the user's answer still counts when the site accepts it, and neither the
// answer nor the timeout reaches the gone notice (the sanitizer build sees any touch).
TEST_F(CrashNoticeTest, ClosingThePanelMidSendKeepsTheAnswerAndNoCallbackReachesTheNotice) {
    std::string report = written("TallyVane-2026-11-25-101010.ips", 300);
    struct Case {
        const char* what;
        bool closeAtOnce;  // before the report was even read, else while the site has it
        int status;
        bool silent;  // the site never answers: the send times out
        bool recorded;
    } cases[] = {
        {"accepted while the site had it", false, 200, false, true},
        {"accepted, closed before the report was read", true, 200, false, true},
        {"refused while the site had it", false, 500, false, false},
        {"timed out", false, 200, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings.setReal(SettingKeys::crashesAskedUntil, 0);
        server.requests.clear();
        server.status = c.status;
        server.silent = c.silent;
        server.holding = !c.closeAtOnce && !c.silent;
        auto panel = std::make_unique<QWidget>();
        QPointer<CrashNotice> notice = open(server.url(), nullptr, 400).release();
        notice->setParent(panel.get());
        ASSERT_TRUE(notice->appear());
        button(*notice, "Send report")->click();
        if (!c.closeAtOnce) {
            ASSERT_TRUE(spin(10, [&] { return server.requests.size() == 1; }));
        }
        panel.reset();
        ASSERT_FALSE(notice);
        server.answerHeld();
        if (c.recorded) {
            ASSERT_TRUE(spin(10, [&] { return askedUntil() == firstLaunch + 300; }));
            EXPECT_FALSE(open(server.url())->appear()) << "the answered report";
        } else {
            spin(c.silent ? 1.0 : 0.5, [] { return false; });
            EXPECT_EQ(askedUntil(), 0);
            auto again = open(server.url());
            ASSERT_TRUE(again->appear()) << "the offer stays";
            EXPECT_EQ(again->report(), report);
        }
        EXPECT_EQ(server.requests.size(), 1u);
        EXPECT_EQ(dismissals, 0);
    }
}

QDBusConnection busOf(const test::DesktopRig& rig, const char* name) {
    return QDBusConnection::connectToBus(
        QString::fromStdString(rig.env("DBUS_SESSION_BUS_ADDRESS")), QString::fromLatin1(name));
}

TEST_F(CrashNoticeTest, ShowReportSelectsTheFileElseOpensTheFolderAndTheNoticeStays) {
    std::string report = written("TallyVane-2026-11-25 10:10.ips", 300);
    QUrl folderUrl = QUrl::fromLocalFile(QString::fromStdString(folder.root()));
    test::DesktopRig rig({});
    ASSERT_TRUE(rig.started());

    linux_os::DBusFileManager nobody(busOf(rig, "crash-notice-none"), 2000);
    auto notice = open(server.url(), &nobody);
    ASSERT_TRUE(notice->appear());
    button(*notice, "Show report")->click();
    ASSERT_TRUE(spin(5, [&] { return opened.size() == 1; }));
    EXPECT_EQ(opened[0], folderUrl);

    QDBusConnection serviceBus = busOf(rig, "crash-notice-file-manager");
    FileManagerStandIn standIn;
    ASSERT_TRUE(serviceBus.registerObject("/org/freedesktop/FileManager1", &standIn,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serviceBus.registerService("org.freedesktop.FileManager1"));
    linux_os::DBusFileManager files(busOf(rig, "crash-notice-caller"), 2000);
    auto shown = open(server.url(), &files);
    ASSERT_TRUE(shown->appear());
    button(*shown, "Show report")->click();
    ASSERT_TRUE(spin(5, [&] { return !standIn.shown.isEmpty(); }));
    // One file URI, its space percent-encoded as URIs must be.
    ASSERT_EQ(standIn.shown.size(), 1);
    EXPECT_TRUE(standIn.shown[0].startsWith("file:///")) << standIn.shown[0].toStdString();
    EXPECT_TRUE(standIn.shown[0].contains("%2010:10.ips")) << standIn.shown[0].toStdString();
    EXPECT_EQ(QUrl(standIn.shown[0]).toLocalFile().toStdString(), report);
    spin(0.3, [] { return false; });
    EXPECT_EQ(opened.size(), 1u) << "no folder when the file manager took it";
    EXPECT_TRUE(shown->report());
    EXPECT_FALSE(shown->isHidden());
    EXPECT_EQ(dismissals, 0);
    EXPECT_TRUE(server.requests.empty());
    serviceBus.unregisterService("org.freedesktop.FileManager1");
}

}  // namespace
}  // namespace tv

#include "CrashNoticeTest.moc"
