#pragma once

#include <QDBusArgument>
#include <QDBusVariant>
#include <QImage>
#include <QList>
#include <QString>
#include <QVariantMap>

namespace tv::linux_os {

// One picture of a status-notifier item: (iiay), ARGB32 pixels in network byte order.
struct SniIcon {
    int width = 0;
    int height = 0;
    QByteArray pixels;

    static SniIcon of(const QImage& image);
};

// The item's tooltip: (sa(iiay)ss) — icon name, icons, title, text.
struct SniToolTip {
    QString iconName;
    QList<SniIcon> icons;
    QString title;
    QString text;
};

// A menu entry with its children: (ia{sv}av), each child a variant holding the same.
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayout> children;
};

// An entry's properties: (ia{sv}).
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};

// One event of a group: (isvu).
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

QDBusArgument& operator<<(QDBusArgument& out, const SniIcon& icon);
const QDBusArgument& operator>>(const QDBusArgument& in, SniIcon& icon);
QDBusArgument& operator<<(QDBusArgument& out, const SniToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& in, SniToolTip& tip);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuEvent& event);

// Makes the types above known to QtDBus; safe to call more than once.
void registerStatusNotifierTypes();

}  // namespace tv::linux_os

Q_DECLARE_METATYPE(tv::linux_os::SniIcon)
Q_DECLARE_METATYPE(tv::linux_os::SniToolTip)
Q_DECLARE_METATYPE(tv::linux_os::DBusMenuLayout)
Q_DECLARE_METATYPE(tv::linux_os::DBusMenuItem)
Q_DECLARE_METATYPE(tv::linux_os::DBusMenuEvent)
