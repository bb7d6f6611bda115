#include "platform/linux/tray/StatusNotifierItem.h"

#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QTimer>

#include "core/TrayMenu.h"
#include "platform/linux/proc/ProcessName.h"
#include "platform/linux/tray/DBusMenu.h"

namespace tv::linux_os {

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, QObject* parent)
    : QObject(parent),
      bus_(std::move(bus)),
      service_(QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(::getpid())) {
    registerStatusNotifierTypes();
}

StatusNotifierItem::~StatusNotifierItem() {
    if (started_) {
        bus_.unregisterObject(QString::fromLatin1(itemPath));
        bus_.unregisterObject(QString::fromLatin1(menuPath));
        bus_.unregisterService(service_);
    }
}

void StatusNotifierItem::start(Handlers handlers) {
    handlers_ = std::move(handlers);
    // The menu's actions run through the handlers, read when chosen.
    auto run = [this](std::function<void()> Handlers::*which) {
        return [this, which] {
            if (handlers_.*which) {
                (handlers_.*which)();
            }
        };
    };
    std::vector<DBusMenu::Entry> entries;
    for (const TrayMenuItem& item : trayMenu) {
        auto handler = item.entry == TrayMenuEntry::open       ? &Handlers::open
                       : item.entry == TrayMenuEntry::settings ? &Handlers::settings
                                                               : &Handlers::quit;
        entries.push_back({QString::fromLatin1(item.label), run(handler)});
    }
    menu_ = new DBusMenu(std::move(entries), this);
    auto exported =
        QDBusConnection::ExportScriptableContents | QDBusConnection::ExportAllProperties;
    started_ = bus_.isConnected() &&
               bus_.registerObject(QString::fromLatin1(menuPath), menu_, exported) &&
               bus_.registerObject(QString::fromLatin1(itemPath), this, exported);
    if (!started_) {
        return;
    }
    bus_.registerService(service_);
    watcher_ = new QDBusServiceWatcher(QString::fromLatin1(watcherService), bus_,
                                       QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                registeredAgain_ = 0;
                if (newOwner.isEmpty()) {
                    setHosted(false);
                } else if (registering_) {
                    askAgain_ = true;
                } else {
                    registerWithWatcher();
                }
            });
    bus_.connect(QString::fromLatin1(watcherService), QStringLiteral("/StatusNotifierWatcher"),
                 QString::fromLatin1(watcherService),
                 QStringLiteral("StatusNotifierItemUnregistered"), this,
                 SLOT(itemUnregistered(QString)));
    registerWithWatcher();
}

void StatusNotifierItem::itemUnregistered(const QString& item) {
    // A watcher names an item by what it was given, or by the sender and path, joined as
    // GNOME's AppIndicator ("SENDER@PATH") or Plasma ("SENDERPATH") joins them.
    const QString path = QString::fromLatin1(itemPath);
    bool ours = item == service_ || item == bus_.baseService() + QLatin1Char('@') + path ||
                item == bus_.baseService() + path;
    if (!ours || registeredAgain_ >= maxRegistrationsAgain) {
        return;
    }
    ++registeredAgain_;
    // A moment later, so a host in the middle of its own start has settled.
    QTimer::singleShot(500, this, [this] {
        if (registering_) {
            askAgain_ = true;
        } else {
            registerWithWatcher();
        }
    });
}

void StatusNotifierItem::registerWithWatcher() {
    if (icons_.isEmpty()) {
        return;  // registered with the first picture, so no host shows an empty item
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(watcherService), QStringLiteral("/StatusNotifierWatcher"),
        QString::fromLatin1(watcherService), QStringLiteral("RegisterStatusNotifierItem"));
    // Told by path, so the watcher takes the item as this connection's. Told the name, GNOME's
    // AppIndicator also watches the name, and when the name's first report reaches it after
    // the item's properties did, it forgets them and drops the item two seconds later, again
    // at every registration: on a loaded desktop the item came and went until we stopped
    // asking. Every watcher takes a path as it takes the apps that register that way.
    call << QString::fromLatin1(itemPath);
    registering_ = true;
    askAgain_ = false;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call, 5000), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                registering_ = false;
                setHosted(!done->isError());
                if (done->isError() && askAgain_) {
                    registerWithWatcher();
                }
            });
}

void StatusNotifierItem::setHosted(bool hosted) {
    if (hosted == hosted_) {
        return;
    }
    hosted_ = hosted;
    if (handlers_.hosted) {
        handlers_.hosted(hosted);
    }
}

std::string StatusNotifierItem::watcherOwner() {
    QDBusConnectionInterface* bus = bus_.interface();
    if (!bus) {
        return {};
    }
    QDBusReply<uint> pid = bus->servicePid(QString::fromLatin1(watcherService));
    return pid.isValid() ? processName(static_cast<pid_t>(pid.value())) : std::string();
}

QString StatusNotifierItem::status() const {
    return look_.attention ? QStringLiteral("NeedsAttention") : QStringLiteral("Active");
}

SniToolTip StatusNotifierItem::toolTip() const {
    return SniToolTip{{}, {}, look_.toolTipTitle, look_.toolTip};
}

void StatusNotifierItem::show(const StatusNotifierLook& look) {
    QList<SniIcon> icons;
    for (const QImage& image : look.icons) {
        icons.append(SniIcon::of(image));
    }
    bool newIcon = icons.size() != icons_.size();
    for (qsizetype i = 0; !newIcon && i < icons.size(); ++i) {
        newIcon = icons[i].width != icons_[i].width || icons[i].pixels != icons_[i].pixels;
    }
    bool newTip = look.toolTip != look_.toolTip || look.toolTipTitle != look_.toolTipTitle;
    bool newLabel = look.label != look_.label || look.labelGuide != look_.labelGuide;
    bool newStatus = look.attention != look_.attention;
    bool first = icons_.isEmpty() && !icons.isEmpty();
    look_ = look;
    icons_ = std::move(icons);
    if (!started_) {
        return;
    }
    if (first) {
        registerWithWatcher();
        return;
    }
    if (newIcon) {
        emit NewIcon();
        emit NewAttentionIcon();
    }
    if (newTip) {
        emit NewToolTip();
    }
    if (newLabel) {
        emit XAyatanaNewLabel(look_.label, look_.labelGuide);
    }
    if (newStatus) {
        emit NewStatus(status());
    }
}

void StatusNotifierItem::Activate(int x, int y) {
    // After the reply, so the host is not kept waiting while the panel is built.
    QTimer::singleShot(0, this, [this, x, y] {
        if (handlers_.activate) {
            handlers_.activate(x, y);
        }
    });
}

void StatusNotifierItem::SecondaryActivate(int x, int y) {
    Activate(x, y);
}

void StatusNotifierItem::ContextMenu(int, int) {
    // Hosts that cannot show the menu themselves get nothing here; the menu is at /MenuBar.
}

void StatusNotifierItem::Scroll(int, const QString&) {}

void StatusNotifierItem::ProvideXdgActivationToken(const QString& token) {
    // Qt's Wayland activation reads the token from the environment when a window is raised.
    qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
}

}  // namespace tv::linux_os

namespace tv::platform {

std::unique_ptr<StatusNotifier> statusNotifier() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return nullptr;
    }
    return std::make_unique<linux_os::StatusNotifierItem>(bus);
}

}  // namespace tv::platform
