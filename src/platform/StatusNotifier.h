#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <string>

namespace tv {

// What the tray item shows.
struct StatusNotifierLook {
    QList<QImage> icons;  // the same picture at 1x and 2x
    QString toolTipTitle;
    QString toolTip;
    QString accessibleDescription;
    QString label;           // text beside the icon, for hosts that show it; empty for none
    QString labelGuide;      // the widest text the label takes, so the host can keep its width
    bool attention = false;  // an alert is on
};

// A status-notifier tray item of our own, with its menu ("Open TallyVane", "Settings",
// "Quit TallyVane"). Registered with the desktop's watcher, and registered again whenever a
// watcher appears.
class StatusNotifier {
  public:
    struct Handlers {
        // The host's primary click at a screen position.
        std::function<void(int x, int y)> activate;
        std::function<void()> open;
        std::function<void()> settings;
        std::function<void()> quit;
        // A watcher took the item in (true) or went away (false).
        std::function<void(bool)> hosted;
    };

    virtual ~StatusNotifier() = default;
    // Puts the item on the bus and registers it; the handlers are called from then on.
    virtual void start(Handlers handlers) = 0;
    virtual void show(const StatusNotifierLook& look) = 0;
    // A watcher has taken the item in.
    virtual bool hosted() const = 0;
    // The process name of the watcher's owner; empty when there is no watcher.
    virtual std::string watcherOwner() = 0;
};

namespace platform {
// The status-notifier item on the session bus; absent without a session bus.
std::unique_ptr<StatusNotifier> statusNotifier();
}  // namespace platform

}  // namespace tv
