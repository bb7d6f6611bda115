#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>

#include "platform/StatusNotifier.h"
#include "platform/linux/tray/StatusNotifierTypes.h"

class QDBusServiceWatcher;

namespace tv::linux_os {

class DBusMenu;

// The tray item as org.kde.StatusNotifierItem at /StatusNotifierItem under the name
// org.kde.StatusNotifierItem-PID-1, its menu at /MenuBar. Registered with
// org.kde.StatusNotifierWatcher by its path at start and whenever a watcher appears, and again
// when the watcher says it let the item go while both are still there (GNOME's AppIndicator
// drops an item it was told of while it was looking for items itself at its start), a few
// times at most per watcher so a host that keeps refusing it is not asked for ever.
//
// While an alert is on, the item is NeedsAttention and hosts show its attention icon
// instead of its icon (GNOME's AppIndicator shows nothing when there is none): the attention
// pictures and description are the item's own coloured ones, so the readings stay in view.
class StatusNotifierItem : public QObject, public StatusNotifier {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ emptyText)
    Q_PROPERTY(QList<tv::linux_os::SniIcon> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString IconAccessibleDesc READ iconAccessibleDesc)
    Q_PROPERTY(QString OverlayIconName READ emptyText)
    Q_PROPERTY(QList<tv::linux_os::SniIcon> OverlayIconPixmap READ noIcons)
    Q_PROPERTY(QString AttentionIconName READ emptyText)
    Q_PROPERTY(QList<tv::linux_os::SniIcon> AttentionIconPixmap READ iconPixmap)
    Q_PROPERTY(QString AttentionAccessibleDesc READ iconAccessibleDesc)
    Q_PROPERTY(QString AttentionMovieName READ emptyText)
    Q_PROPERTY(QString IconThemePath READ emptyText)
    Q_PROPERTY(tv::linux_os::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)
    Q_PROPERTY(uint XAyatanaOrderingIndex READ orderingIndex)

  public:
    static constexpr const char* watcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* itemPath = "/StatusNotifierItem";
    static constexpr const char* menuPath = "/MenuBar";

    explicit StatusNotifierItem(QDBusConnection bus, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    void start(Handlers handlers) override;
    void show(const StatusNotifierLook& look) override;
    bool hosted() const override { return hosted_; }
    std::string watcherOwner() override;

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("tallyvane"); }
    QString title() const { return QStringLiteral("TallyVane"); }
    QString status() const;
    int windowId() const { return 0; }
    QString emptyText() const { return {}; }
    QList<SniIcon> iconPixmap() const { return icons_; }
    QList<SniIcon> noIcons() const { return {}; }
    QString iconAccessibleDesc() const { return look_.accessibleDescription; }
    SniToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return QDBusObjectPath(QString::fromLatin1(menuPath)); }
    QString label() const { return look_.label; }
    QString labelGuide() const { return look_.labelGuide; }
    uint orderingIndex() const { return 0; }

  public slots:
    Q_SCRIPTABLE void Activate(int x, int y);
    Q_SCRIPTABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE void Scroll(int delta, const QString& orientation);
    Q_SCRIPTABLE void ProvideXdgActivationToken(const QString& token);

  signals:
    Q_SCRIPTABLE void NewTitle();
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewAttentionIcon();
    Q_SCRIPTABLE void NewOverlayIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewMenu();
    Q_SCRIPTABLE void NewStatus(const QString& status);
    Q_SCRIPTABLE void XAyatanaNewLabel(const QString& label, const QString& guide);

  private slots:
    void itemUnregistered(const QString& item);

  private:
    static constexpr int maxRegistrationsAgain = 5;

    void registerWithWatcher();
    void setHosted(bool hosted);

    QDBusConnection bus_;
    QString service_;
    Handlers handlers_;
    DBusMenu* menu_ = nullptr;
    QDBusServiceWatcher* watcher_ = nullptr;
    StatusNotifierLook look_;
    QList<SniIcon> icons_;
    bool hosted_ = false;
    // A registration is on its way; a watcher that appears meanwhile is asked only if it fails
    // (a host told twice may set the item up twice and lose it: GNOME's AppIndicator does).
    bool registering_ = false;
    bool askAgain_ = false;
    bool started_ = false;
    int registeredAgain_ = 0;
};

}  // namespace tv::linux_os
