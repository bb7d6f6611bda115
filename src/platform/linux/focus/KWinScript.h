#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusServiceWatcher;

namespace tv::linux_os {

// Our script inside KWin (org.kde.KWin on the session bus), loaded through KWin's scripting
// interface: it reports window activation to app.tallyvane.Focus. Loaded only by the
// connection that owns app.tallyvane.TallyVane (the reports go there; another start, such as
// the self-check, must neither load it nor unload the running instance's). A copy left by a
// TallyVane that ended without unloading is replaced; a KWin that restarts gets it again;
// quitting TallyVane unloads it.
class KWinScript : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* pluginName = "tallyvane-focus";

    KWinScript(QDBusConnection bus, QString file, QObject* parent = nullptr);
    ~KWinScript() override;
    KWinScript(const KWinScript&) = delete;
    KWinScript& operator=(const KWinScript&) = delete;

    // Loads and starts the script; false when KWin is not there, refused it, or this is not
    // the instance the reports reach.
    bool load();
    void unload();
    bool loaded() const { return loaded_; }

  private:
    QDBusMessage scripting(const QString& method, const QVariantList& arguments) const;
    bool run(int id) const;
    void retry();

    QDBusConnection bus_;
    QString file_;
    bool loaded_ = false;
    int retries_ = 0;
    QDBusServiceWatcher* watcher_ = nullptr;
};

}  // namespace tv::linux_os
