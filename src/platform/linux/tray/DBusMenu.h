#pragma once

#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>

#include <functional>
#include <vector>

#include "platform/linux/tray/StatusNotifierTypes.h"

namespace tv::linux_os {

// The tray item's right-button menu as the host reads it over D-Bus (com.canonical.dbusmenu,
// version 3): a flat list of entries, each running its action when clicked.
class DBusMenu : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

  public:
    struct Entry {
        QString label;
        std::function<void()> action;
    };

    explicit DBusMenu(std::vector<Entry> entries, QObject* parent = nullptr);

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

  public slots:
    Q_SCRIPTABLE uint GetLayout(int parentId, int recursionDepth, const QStringList& names,
                                tv::linux_os::DBusMenuLayout& layout);
    Q_SCRIPTABLE QList<tv::linux_os::DBusMenuItem> GetGroupProperties(const QList<int>& ids,
                                                                      const QStringList& names);
    // An id or property the menu does not have is answered with an error at once.
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString& name);
    Q_SCRIPTABLE void Event(int id, const QString& eventId, const QDBusVariant& data,
                            uint timestamp);
    Q_SCRIPTABLE QList<int> EventGroup(const QList<tv::linux_os::DBusMenuEvent>& events);
    Q_SCRIPTABLE bool AboutToShow(int id);
    Q_SCRIPTABLE QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

  signals:
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);
    Q_SCRIPTABLE void ItemActivationRequested(int id, uint timestamp);

  private:
    QVariantMap propertiesOf(int id, const QStringList& names) const;
    bool exists(int id) const { return id >= 0 && id <= static_cast<int>(entries_.size()); }

    std::vector<Entry> entries_;  // entry i has id i + 1; id 0 is the root
};

}  // namespace tv::linux_os
