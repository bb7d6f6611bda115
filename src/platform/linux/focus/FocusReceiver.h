#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>

class QDBusServiceWatcher;

namespace tv::linux_os {

// The object at /app/tallyvane/Focus (interface app.tallyvane.Focus) to which a compositor
// reports the window the user activated: our KWin script, our GNOME Shell extension.
//
// Only the connection that owns the running compositor's well-known name right now, and whose
// process is the compositor, is heard (asked at each report), so that no other program on the
// session bus can say which app is in front (which decides the app make way protects); others get
// AccessDenied. When that name loses its owner (the compositor restarted or ended), the front app
// becomes unknown rather than staying the last one reported.
//
// Lives in the thread that made it (its D-Bus calls arrive there); `front` may be read from
// any thread.
class FocusReceiver : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.tallyvane.Focus")
  public:
    static constexpr const char* path = "/app/tallyvane/Focus";
    static constexpr const char* interfaceName = "app.tallyvane.Focus";

    // `reporters`: the well-known names whose owners are believed (only the running
    // desktop's). `self` is TallyVane's own pid: its windows leave the app before them in front.
    // `isCompositor`, when given, must also say yes to the pid of the name's owner: any program
    // of the user can take a name nobody holds, only the compositor serves the display.
    FocusReceiver(QDBusConnection bus, QStringList reporters, std::int32_t self,
                  std::function<bool(std::int32_t)> isCompositor = {}, QObject* parent = nullptr);
    ~FocusReceiver() override;
    FocusReceiver(const FocusReceiver&) = delete;
    FocusReceiver& operator=(const FocusReceiver&) = delete;

    // False when the object could not be put on the bus (no bus, or the path is taken).
    bool listening() const { return listening_; }
    // The pid behind the front window; 0 when unknown or nothing is in front.
    std::int32_t front() const { return front_.load(std::memory_order_relaxed); }

  public slots:
    // `pid` 0 and `appId` "" mean nothing known is in front (the desktop, a closed window).
    // Reports that carry only an app id cannot be told apart from another instance of that
    // app, so they count as unknown.
    Q_SCRIPTABLE void WindowActivated(uint pid, const QString& appId);
    // The same report as a script engine sends it: its whole numbers go out as int32 (KWin's
    // callDBus) or as doubles.
    Q_SCRIPTABLE void WindowActivated(int pid, const QString& appId);
    Q_SCRIPTABLE void WindowActivated(double pid, const QString& appId);

  private:
    void heard(double pid);
    void ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

    QDBusConnection bus_;
    QStringList reporters_;
    std::int32_t self_;
    std::function<bool(std::int32_t)> isCompositor_;
    bool listening_ = false;
    QDBusServiceWatcher* watcher_ = nullptr;
    QString heardFrom_;  // the well-known name whose owner made the last report
    std::atomic<std::int32_t> front_{0};
};

}  // namespace tv::linux_os
