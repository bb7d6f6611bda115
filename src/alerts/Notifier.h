#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "alerts/Notices.h"
#include "alerts/NotificationResponse.h"

namespace tv {

// The desktop's notification server: its bus name, which is also its interface, and its path.
inline const QString notificationServer = QStringLiteral("org.freedesktop.Notifications");
inline const QString notificationPath = QStringLiteral("/org/freedesktop/Notifications");
// The sound theme's name for an alert's sound: the server's own where it plays sounds, the
// same one played by us where it cannot.
inline constexpr const char* alertSoundName = "message-new-instant";

// TallyVane's link to the desktop's notification server (org.freedesktop.Notifications).
//
// Our notifications are known by our own string ids; the server's numeric ids stay in
// here, so posting an id again replaces the notification the server shows. Every call is
// asynchronous: a server that is slow, answers with an error or never answers costs the
// caller nothing. What the user does with a notification comes back as `responded`.
class Notifier : public QObject, public Notices {
    Q_OBJECT
  public:
    struct Parts {
        QDBusConnection bus;
        // Whether the app at this path is running, so its alert can offer to quit it.
        std::function<bool(const std::string&)> isRunning;
        // The "sounds" switch, read when a notification is posted.
        std::function<bool()> soundsOn;
        // Plays the alert sound (`alertSoundName`) ourselves, for servers that cannot.
        std::function<void()> playSound;
        // How long a call may wait for the server's answer.
        int timeoutMs = 5000;
        // Where the server's id of the make-way notice is kept while it shows, so the next
        // run can take back a notice left over from this one. None when empty.
        QString noticeFile;
    };

    explicit Notifier(Parts parts, QObject* parent = nullptr);

    // Listens for the server's signals and learns what it can do; learns it again whenever
    // another server takes the name (a restarted or replaced one may differ in both). Once,
    // at launch.
    void setUp();

    void post(const AlertMessage& message) override;
    void withdraw(const std::string& id) override;

    // Takes back a make-way notice an earlier run left showing.
    void removeLeftover();

    // At the end of the run: takes back every notification of ours (no one would answer its
    // buttons) and waits up to `boundMs` for the server to have heard, so they are really
    // gone when the process ends. Nothing is posted afterwards. Blocks without running the
    // event loop, so nothing else happens meanwhile.
    void withdrawAll(int boundMs);

    // Calls `done(true)` when no notification server can be reached.
    void blocked(std::function<void(bool)> done);
    // Posts `message` if a server is there; then `done(whether it was)`.
    void sendTest(AlertMessage message, std::function<void(bool)> done);

    // The server's id for one of ours, while it shows it; for tests.
    std::optional<std::uint32_t> serverId(const std::string& id) const;

    // The buttons offered with a message: pairs of key and label, "default" first; "Resume"
    // on the make-way notice, "Download" on the update notice, "Quit App" where the app the
    // message is about runs.
    QStringList actionsFor(const AlertMessage& message) const;

  signals:
    void responded(tv::NotificationResponse response);

  private slots:
    void onActionInvoked(uint serverId, const QString& action);
    void onNotificationClosed(uint serverId, uint reason);

  private:
    // One of our ids as the server knows it. A post waits for the server's answer before the
    // next one for the same id is sent, so the replacement always names the right id.
    struct Entry {
        std::uint32_t serverId = 0;
        bool waiting = false;
        std::optional<AlertMessage> next;
        bool closeWhenKnown = false;
        std::optional<std::string> appPath;
        QDBusPendingCall pending = QDBusPendingCall::fromCompletedCall(QDBusMessage());
    };

    void send(const AlertMessage& message, Entry& entry);
    void answered(const std::string& id, std::optional<std::uint32_t> serverId,
                  std::optional<std::string> appPath);
    void close(const std::string& id);
    // The sound switch allows this message a sound.
    bool wantsSound(const AlertMessage& message) const;
    bool canPlaySounds() const;
    QVariantMap hintsFor(const AlertMessage& message) const;
    QString bodyFor(const AlertMessage& message) const;
    void askServer(std::function<void(bool reached)> done);
    // Asks what the server can do; posts made meanwhile wait for the answer, so that each is
    // worded and sounded for the server that shows it.
    void learnCapabilities();
    void park(const std::string& id);
    // Another server has the name, or none: the notifications the old one showed went with it.
    void serverChanged(const QString& owner);
    void closeOnServer(std::uint32_t serverId);
    void remember(const std::string& id, std::uint32_t serverId);

    Parts parts_;
    bool ended_ = false;
    std::map<std::string, Entry> entries_;
    // Close requests the server may not have answered yet.
    std::vector<QDBusPendingCall> closing_;
    std::unordered_map<std::uint32_t, std::string> byServerId_;
    std::set<QString> capabilities_;
    bool learning_ = false;
    // Ids whose post waits for the server's capabilities.
    std::vector<std::string> parked_;
};

}  // namespace tv
