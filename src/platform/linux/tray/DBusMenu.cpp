#include "platform/linux/tray/DBusMenu.h"

#include <QTimer>

namespace tv::linux_os {

namespace {

constexpr uint revision = 1;

QVariantMap only(const QVariantMap& all, const QStringList& names) {
    if (names.isEmpty()) {
        return all;
    }
    QVariantMap chosen;
    for (const QString& name : names) {
        if (all.contains(name)) {
            chosen.insert(name, all.value(name));
        }
    }
    return chosen;
}

}  // namespace

DBusMenu::DBusMenu(std::vector<Entry> entries, QObject* parent)
    : QObject(parent), entries_(std::move(entries)) {}

QVariantMap DBusMenu::propertiesOf(int id, const QStringList& names) const {
    QVariantMap all;
    if (id == 0) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (exists(id)) {
        all.insert(QStringLiteral("label"), entries_[static_cast<std::size_t>(id - 1)].label);
        all.insert(QStringLiteral("enabled"), true);
        all.insert(QStringLiteral("visible"), true);
    }
    return only(all, names);
}

uint DBusMenu::GetLayout(int parentId, int recursionDepth, const QStringList& names,
                         DBusMenuLayout& layout) {
    layout = DBusMenuLayout{parentId, propertiesOf(parentId, names), {}};
    if (parentId == 0 && recursionDepth != 0) {
        for (int id = 1; id <= static_cast<int>(entries_.size()); ++id) {
            layout.children.append(DBusMenuLayout{id, propertiesOf(id, names), {}});
        }
    }
    return revision;
}

QList<DBusMenuItem> DBusMenu::GetGroupProperties(const QList<int>& ids, const QStringList& names) {
    QList<DBusMenuItem> items;
    for (int id : ids) {
        if (exists(id)) {
            items.append(DBusMenuItem{id, propertiesOf(id, names)});
        }
    }
    return items;
}

QDBusVariant DBusMenu::GetProperty(int id, const QString& name) {
    QVariantMap properties = propertiesOf(id, {});
    if (!properties.contains(name)) {
        // An empty variant cannot be sent as an answer; without this the caller would wait
        // for one until its own timeout.
        if (calledFromDBus()) {
            sendErrorReply(QDBusError::InvalidArgs,
                           exists(id)
                               ? QStringLiteral("No property %1 on entry %2").arg(name).arg(id)
                               : QStringLiteral("No entry %1").arg(id));
        }
        return QDBusVariant(QString());
    }
    return QDBusVariant(properties.value(name));
}

void DBusMenu::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    if (eventId != QLatin1String("clicked") || id < 1 || !exists(id)) {
        return;
    }
    // After the reply: an action may end the program or open a window.
    std::function<void()> action = entries_[static_cast<std::size_t>(id - 1)].action;
    QTimer::singleShot(0, this, [action] {
        if (action) {
            action();
        }
    });
}

QList<int> DBusMenu::EventGroup(const QList<DBusMenuEvent>& events) {
    QList<int> unknown;
    for (const DBusMenuEvent& event : events) {
        if (exists(event.id)) {
            Event(event.id, event.eventId, event.data, event.timestamp);
        } else {
            unknown.append(event.id);
        }
    }
    return unknown;
}

bool DBusMenu::AboutToShow(int) {
    return false;  // the menu never changes
}

QList<int> DBusMenu::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    for (int id : ids) {
        if (!exists(id)) {
            idErrors.append(id);
        }
    }
    return {};
}

}  // namespace tv::linux_os
