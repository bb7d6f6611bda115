#include "alerts/Notifier.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <fstream>

#include "support/DesktopRig.h"
#include "support/EventLoop.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using test::DesktopRig;
using test::spin;

QDBusConnection connect(const DesktopRig& rig) {
    static std::atomic<int> count{0};
    return QDBusConnection::connectToBus(
        QString::fromStdString(rig.env("DBUS_SESSION_BUS_ADDRESS")),
        QStringLiteral("notifier-test-%1").arg(++count));
}

AlertMessage message(const std::string& id, const std::string& title,
                     std::optional<std::string> appPath = std::nullopt) {
    return AlertMessage{id, title, "Body of " + title, std::move(appPath), true};
}

// Against the real notification server of the desktop rig.
class NotifierServerTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { rig = new DesktopRig({"notifications"}); }
    static void TearDownTestSuite() {
        delete rig;
        rig = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(rig->started()) << "the desktop rig did not start (Xvfb, dbus, dunst)";
        test::outputOf(rig->inRig("dunstctl close-all"));
        bus = std::make_unique<QDBusConnection>(connect(*rig));
        notifier = std::make_unique<Notifier>(
            Notifier::Parts{*bus,
                            [](const std::string& path) { return path == "/apps/Build.desktop"; },
                            [] { return true; },
                            [] {},
                            5000,
                            {}});
        notifier->setUp();
        QObject::connect(notifier.get(), &Notifier::responded,
                         [this](const NotificationResponse& r) { responses.push_back(r); });
    }

    bool shows(const std::string& id) {
        return spin(5, [&] { return notifier->serverId(id).has_value(); });
    }

    static inline DesktopRig* rig = nullptr;
    std::unique_ptr<QDBusConnection> bus;
    std::unique_ptr<Notifier> notifier;
    std::vector<NotificationResponse> responses;
};

TEST_F(NotifierServerTest, PostingAgainReplacesAndWithdrawingCloses) {
    notifier->post(message("memory", "Memory is tight"));
    ASSERT_TRUE(shows("memory"));
    std::uint32_t first = *notifier->serverId("memory");
    notifier->post(message("memory", "Memory is critical"));
    ASSERT_TRUE(
        spin(5, [&] { return rig->shown().find("Memory is critical") != std::string::npos; }));
    EXPECT_EQ(notifier->serverId("memory"), first);
    EXPECT_EQ(rig->displayed(), 1) << "replaced, not added";

    notifier->withdraw("memory");
    EXPECT_TRUE(spin(5, [&] { return rig->displayed() == 0; }));
    EXPECT_FALSE(notifier->serverId("memory"));
    notifier->withdraw("memory");  // twice is harmless
    notifier->withdraw("never-posted");
}

// The make-way notice outlives a run that dies: its server id is kept in a file, and the next
// run takes the notice back. That file is replaced under its name, never written through a
// link planted there, and a pipe in its place is not waited on.
TEST_F(NotifierServerTest, ALeftoverMakeWayNoticeIsTakenBackAndItsFileNeverWrittenThroughALink) {
    QTemporaryDir dir;
    QString noticeFile = dir.filePath("notice-makeway");
    QString victim = dir.filePath("victim");
    std::ofstream(victim.toStdString()) << "keep me\n";
    ASSERT_TRUE(QFile::link(victim, noticeFile));
    auto withFile = [&] {
        return std::make_unique<Notifier>(
            Notifier::Parts{*bus, [](const std::string&) { return false; }, [] { return false; },
                            [] {}, 5000, noticeFile});
    };
    auto run = withFile();
    run->setUp();
    run->post(message("makeway", "Paused Build so memory can recover"));
    ASSERT_TRUE(spin(5, [&] { return run->serverId("makeway").has_value(); }));
    EXPECT_EQ(test::textOf(victim.toStdString()), "keep me\n");
    EXPECT_FALSE(QFileInfo(noticeFile).isSymLink());
    EXPECT_EQ(test::textOf(noticeFile.toStdString()), std::to_string(*run->serverId("makeway")));
    run.reset();  // dies without withdrawing

    auto next = withFile();
    next->setUp();
    next->removeLeftover();
    EXPECT_TRUE(spin(5, [&] { return rig->displayed() == 0; })) << "the notice stayed";
    EXPECT_FALSE(QFileInfo::exists(noticeFile));

    ASSERT_EQ(::mkfifo(noticeFile.toStdString().c_str(), 0600), 0);
    next->removeLeftover();  // returns at once
    EXPECT_FALSE(QFileInfo::exists(noticeFile));
}

TEST_F(NotifierServerTest, ButtonsFollowTheKindOfMessage) {
    notifier->post(message("memory", "Memory is critical", "/apps/Build.desktop"));
    notifier->post(message("heat", "Your computer is running hot", "/apps/Gone.desktop"));
    notifier->post(message("makeway", "Paused Build so memory can recover"));
    ASSERT_TRUE(shows("memory") && shows("heat") && shows("makeway"));
    ASSERT_TRUE(test::waitFor(5, [&] { return rig->displayed() == 3; }));
    std::string menu = rig->menu();
    auto line = [](std::uint32_t id, const std::string& key) {
        return "[" + std::to_string(id) + "," + key + "]";
    };
    std::uint32_t memory = *notifier->serverId("memory"), heat = *notifier->serverId("heat"),
                  makeway = *notifier->serverId("makeway");
    EXPECT_NE(menu.find("#Quit App (Memory is critical) " + line(memory, "quit")),
              std::string::npos)
        << menu;
    EXPECT_EQ(menu.find(line(memory, "resume")), std::string::npos);
    EXPECT_EQ(menu.find(line(heat, "quit")), std::string::npos) << "the app is not running";
    EXPECT_NE(menu.find("#Resume (Paused Build so memory can recover) " + line(makeway, "resume")),
              std::string::npos)
        << menu;
    EXPECT_EQ(menu.find(line(makeway, "quit")), std::string::npos);
    EXPECT_TRUE(responses.empty());
}

TEST_F(NotifierServerTest, ChosenActionsComeBackWithTheAppPath) {
    notifier->post(
        message("stuck:app:/apps/Build.desktop", "Build is stuck", "/apps/Build.desktop"));
    ASSERT_TRUE(shows("stuck:app:/apps/Build.desktop"));
    rig->choose("quit");
    ASSERT_TRUE(spin(5, [&] { return !responses.empty(); }));
    EXPECT_EQ(responses[0], (NotificationResponse{"quit", "stuck:app:/apps/Build.desktop",
                                                  std::string("/apps/Build.desktop")}));

    notifier->post(message("makeway", "Slowed Build to keep your computer quick"));
    ASSERT_TRUE(shows("makeway"));
    rig->choose("resume");
    ASSERT_TRUE(spin(5, [&] { return responses.size() == 2; }));
    EXPECT_EQ(responses[1], (NotificationResponse{"resume", "makeway", std::nullopt}));
}

TEST_F(NotifierServerTest, AServerIsNotBlockedAndTakesTheTest) {
    std::optional<bool> blocked, sent;
    notifier->blocked([&](bool b) { blocked = b; });
    notifier->sendTest(message("test", "Memory is tight"), [&](bool s) { sent = s; });
    ASSERT_TRUE(spin(5, [&] { return blocked && sent; }));
    EXPECT_FALSE(*blocked);
    EXPECT_TRUE(*sent);
    EXPECT_TRUE(shows("test"));
}

// A stand-in server that answers as a test needs: normally, with an error, or never.
class ScriptedServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    enum class Mode { answer, fail, silent };

    struct Call {
        uint replaces = 0;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };

    explicit ScriptedServer(QDBusConnection bus) : bus_(std::move(bus)) {
        bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                            QDBusConnection::ExportAllSlots);
        bus_.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~ScriptedServer() override {
        bus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    }

    void signal(const QString& name, uint id, const QVariant& second) {
        QDBusMessage m =
            QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                       QStringLiteral("org.freedesktop.Notifications"), name);
        m << id << second;
        bus_.send(m);
    }

    Mode mode = Mode::answer;
    QStringList capabilities;
    std::vector<Call> calls;
    std::vector<uint> closed;

  public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint replaces, const QString&, const QString&, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int) {
        calls.push_back(Call{replaces, body, actions, hints});
        if (mode == Mode::fail) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("refused"));
            return 0;
        }
        if (mode == Mode::silent) {
            setDelayedReply(true);  // and never answer
            return 0;
        }
        return replaces != 0 ? replaces : ++next_;
    }
    void CloseNotification(uint id) { closed.push_back(id); }

  private:
    QDBusConnection bus_;
    uint next_ = 100;
};

class NotifierScriptedTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { rig = new DesktopRig({}); }
    static void TearDownTestSuite() {
        delete rig;
        rig = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(rig->started());
        bus = std::make_unique<QDBusConnection>(connect(*rig));
    }
    void TearDown() override { server.reset(); }

    void serve() {
        server = std::make_unique<ScriptedServer>(connect(*rig));
        ASSERT_TRUE(spin(5, [&] {
            return bus->interface()->isServiceRegistered(
                QStringLiteral("org.freedesktop.Notifications"));
        }));
    }
    std::unique_ptr<Notifier> make(int timeoutMs = 5000) {
        auto n = std::make_unique<Notifier>(Notifier::Parts{*bus,
                                                            [](const std::string&) { return true; },
                                                            [this] { return soundsOn; },
                                                            [this] { ++played; },
                                                            timeoutMs,
                                                            {}});
        n->setUp();
        spin(0.3, [] { return false; });  // the capabilities arrive
        return n;
    }

    static inline DesktopRig* rig = nullptr;
    std::unique_ptr<QDBusConnection> bus;
    std::unique_ptr<ScriptedServer> server;
    bool soundsOn = true;
    int played = 0;
};

TEST_F(NotifierScriptedTest, WithNoServerNothingIsPostedAndNotificationsAreBlocked) {
    auto notifier = make();
    notifier->post(message("memory", "Memory is tight"));
    notifier->withdraw("memory");
    notifier->post(message("heat", "Your computer is running hot"));
    std::optional<bool> blocked, sent;
    notifier->blocked([&](bool b) { blocked = b; });
    notifier->sendTest(message("test", "Memory is tight"), [&](bool s) { sent = s; });
    ASSERT_TRUE(spin(5, [&] { return blocked && sent; }));
    EXPECT_TRUE(*blocked);
    EXPECT_FALSE(*sent);
    EXPECT_FALSE(notifier->serverId("heat"));
    EXPECT_FALSE(notifier->serverId("test"));
}

TEST_F(NotifierScriptedTest, AServerThatRefusesOrNeverAnswersCostsTheCallerNothing) {
    serve();
    server->mode = ScriptedServer::Mode::fail;
    auto notifier = make(400);
    notifier->post(message("memory", "Memory is tight"));
    ASSERT_TRUE(spin(5, [&] { return server->calls.size() == 1; }));
    spin(0.2, [] { return false; });
    EXPECT_FALSE(notifier->serverId("memory"));

    server->mode = ScriptedServer::Mode::silent;
    QElapsedTimer timer;
    timer.start();
    notifier->post(message("memory", "Memory is critical"));
    notifier->post(message("memory", "Memory is critical again"));
    EXPECT_LT(timer.elapsed(), 300) << "posting never waits for the server";
    ASSERT_TRUE(spin(5, [&] { return server->calls.size() == 2; }));
    spin(0.2, [] { return false; });
    EXPECT_EQ(server->calls.size(), 2u) << "the newer post waits for the older one's answer";

    // After the timeout, the waiting post goes out; now the server answers again.
    server->mode = ScriptedServer::Mode::answer;
    ASSERT_TRUE(spin(5, [&] { return notifier->serverId("memory").has_value(); }));
    EXPECT_EQ(server->calls.size(), 3u);
    EXPECT_EQ(server->calls.back().body, "Body of Memory is critical again");

    // Taken back while the server has not answered yet: closed once it does.
    server->mode = ScriptedServer::Mode::silent;
    notifier->post(message("heat", "Hot"));
    notifier->withdraw("heat");
    ASSERT_TRUE(spin(5, [&] { return server->calls.size() == 4; }));
    spin(0.8, [] { return false; });
    EXPECT_FALSE(notifier->serverId("heat"));
}

TEST_F(NotifierScriptedTest, SoundsFollowTheSwitchAndTheServersAbilities) {
    serve();
    auto notifier = make();
    notifier->post(message("memory", "Memory is tight"));
    ASSERT_TRUE(spin(5, [&] { return server->calls.size() == 1; }));
    EXPECT_FALSE(server->calls[0].hints.contains(QStringLiteral("suppress-sound")));
    EXPECT_EQ(played, 1) << "the server cannot play sounds, so we do";

    AlertMessage quiet = message("makeway", "Slowed Build");
    quiet.sound = false;
    notifier->post(quiet);
    soundsOn = false;
    notifier->post(message("heat", "Hot"));
    ASSERT_TRUE(spin(5, [&] { return server->calls.size() == 3; }));
    EXPECT_TRUE(server->calls[1].hints.value(QStringLiteral("suppress-sound")).toBool());
    EXPECT_TRUE(server->calls[2].hints.value(QStringLiteral("suppress-sound")).toBool());
    EXPECT_EQ(played, 1);

    server->capabilities = {QStringLiteral("sound"), QStringLiteral("body-markup"),
                            QStringLiteral("actions")};
    auto able = make();
    soundsOn = true;
    AlertMessage marked = message("memory", "Memory is critical");
    marked.body = "A&B <beta> is using 2 GB.";
    able->post(marked);
    ASSERT_TRUE(spin(5, [&] { return server->calls.size() == 4; }));
    EXPECT_EQ(server->calls[3].hints.value(QStringLiteral("sound-name")).toString(),
              QStringLiteral("message-new-instant"));
    EXPECT_EQ(server->calls[3].body, QStringLiteral("A&amp;B &lt;beta&gt; is using 2 GB."));
    EXPECT_EQ(played, 1);
}

// A real notification server of its own on the rig's bus, logging the body of each
// notification it shows; stopped (by its pid) when dropped.
class Dunst {
  public:
    explicit Dunst(const DesktopRig& rig) {
        std::ofstream(dir_.filePath("shown").toStdString())
            << "#!/bin/sh\nprintf '%s\\n' \"$3\" >>" << log() << "\n";
        QFile::setPermissions(dir_.filePath("shown"), QFile::ReadOwner | QFile::ExeOwner);
        std::ofstream(dir_.filePath("dunstrc").toStdString())
            << "[global]\n    show_indicators = no\n[log]\n    summary = \"*\"\n    script = "
            << dir_.filePath("shown").toStdString() << "\n[urgency_normal]\n    timeout = 0\n";
        process_ = std::make_unique<test::Spawned>(std::vector<std::string>{
            "env", "DISPLAY=" + rig.env("DISPLAY"),
            "DBUS_SESSION_BUS_ADDRESS=" + rig.env("DBUS_SESSION_BUS_ADDRESS"), "dunst", "-config",
            dir_.filePath("dunstrc").toStdString()});
    }
    std::string log() const { return dir_.filePath("shown.log").toStdString(); }
    std::string shown() const { return test::textOf(log()); }

  private:
    QTemporaryDir dir_;
    std::unique_ptr<test::Spawned> process_;
};

// The server is restarted or replaced while we run: what it can do is asked again, so each
// notification is worded and sounded for the server that shows it, and the old server's ids
// replace nothing of the new one's.
TEST_F(NotifierScriptedTest, ARestartedOrReplacedServerIsAskedAgainWhatItCanDo) {
    auto name = QStringLiteral("org.freedesktop.Notifications");
    auto serving = [&](bool on) {
        return spin(10, [&] { return bus->interface()->isServiceRegistered(name).value() == on; });
    };
    AlertMessage marked = message("memory", "Memory is critical");
    marked.body = "A&B <beta> is using 2 GB.";

    // A real server that reads markup and plays no sounds.
    auto dunst = std::make_unique<Dunst>(*rig);
    ASSERT_TRUE(serving(true));
    auto notifier = make();
    notifier->post(marked);
    ASSERT_TRUE(spin(5, [&] { return notifier->serverId("memory").has_value(); }));
    ASSERT_TRUE(spin(5, [&] { return !dunst->shown().empty(); }));
    // As the server shows it, once it has read the markup: escaped, the name comes through.
    EXPECT_EQ(dunst->shown(), "A&B <beta> is using 2 GB.\n");
    EXPECT_EQ(played, 1) << "the server cannot play sounds, so we do";

    // Replaced by one that plays sounds and reads no markup.
    dunst.reset();
    ASSERT_TRUE(serving(false));
    server = std::make_unique<ScriptedServer>(connect(*rig));
    server->capabilities = {QStringLiteral("sound"), QStringLiteral("actions")};
    ASSERT_TRUE(serving(true));
    spin(0.3, [] { return false; });
    notifier->post(marked);
    ASSERT_TRUE(spin(5, [&] { return server->calls.size() == 1; }));
    EXPECT_EQ(server->calls[0].replaces, 0u) << "the old server's id is not the new one's";
    EXPECT_EQ(server->calls[0].body, QStringLiteral("A&B <beta> is using 2 GB."));
    EXPECT_EQ(server->calls[0].hints.value(QStringLiteral("sound-name")).toString(),
              QStringLiteral("message-new-instant"));
    EXPECT_EQ(played, 1) << "the server plays it";

    // And back to a fresh real one: markup again, and our own sound.
    server.reset();
    ASSERT_TRUE(serving(false));
    dunst = std::make_unique<Dunst>(*rig);
    ASSERT_TRUE(serving(true));
    spin(0.3, [] { return false; });
    notifier->post(marked);
    ASSERT_TRUE(spin(5, [&] { return !dunst->shown().empty(); }));
    EXPECT_EQ(dunst->shown(), "A&B <beta> is using 2 GB.\n");
    EXPECT_EQ(played, 2);
}

TEST_F(NotifierScriptedTest, OnlyOurOwnNotificationsAnswerAndClosedOnesAreForgotten) {
    serve();
    auto notifier = make();
    std::vector<NotificationResponse> responses;
    QObject::connect(notifier.get(), &Notifier::responded,
                     [&](const NotificationResponse& r) { responses.push_back(r); });
    notifier->post(message("memory", "Memory is tight", "/apps/Build.desktop"));
    ASSERT_TRUE(spin(5, [&] { return notifier->serverId("memory").has_value(); }));
    uint id = *notifier->serverId("memory");

    server->signal(QStringLiteral("ActionInvoked"), 9999, QStringLiteral("quit"));
    server->signal(QStringLiteral("ActionInvoked"), id, QStringLiteral("quit"));
    ASSERT_TRUE(spin(5, [&] { return !responses.empty(); }));
    spin(0.2, [] { return false; });
    ASSERT_EQ(responses.size(), 1u);
    EXPECT_EQ(responses[0].appPath, std::optional<std::string>("/apps/Build.desktop"));

    server->signal(QStringLiteral("NotificationClosed"), id, 2u);
    ASSERT_TRUE(spin(5, [&] { return !notifier->serverId("memory"); }));
    server->signal(QStringLiteral("ActionInvoked"), id, QStringLiteral("quit"));
    notifier->post(message("memory", "Memory is tight"));
    ASSERT_TRUE(spin(5, [&] { return server->calls.size() == 2; }));
    EXPECT_EQ(server->calls[1].replaces, 0u) << "a closed notification is not replaced";
    EXPECT_EQ(responses.size(), 1u);
}

}  // namespace
}  // namespace tv

#include "NotifierTest.moc"
