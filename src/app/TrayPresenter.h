#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

#include <memory>
#include <optional>
#include <string>

#include "app/StatusItem.h"
#include "core/TrayHost.h"
#include "platform/StatusNotifier.h"
#include "platform/TrayEmbedder.h"

namespace tv {

class MenuBarLabel;

// Puts the label where this desktop shows tray items, in the shape its host shows whole:
// the docked label window in trays that embed windows, else our status-notifier item with a
// wide, square or square-plus-text icon. Watches for a host to appear when there is none.
class TrayPresenter : public QObject {
    Q_OBJECT
  public:
    struct Parts {
        StatusItem& item;
        // Only asked who owns the embedding tray; the item docks through its own.
        std::unique_ptr<TrayEmbedder> embedProbe;
        std::unique_ptr<StatusNotifier> notifier;
    };

    explicit TrayPresenter(Parts parts, QObject* parent = nullptr);

    void install();
    // Shows a freshly drawn label.
    void show(const MenuBarLabel& label);
    // Where the panel opens: the docked window, else where the host was clicked last; a
    // null rectangle when neither is known.
    QRect anchor() const;
    TrayShape shape() const { return shape_; }
    // The item is in a tray now.
    bool hosted() const;

  signals:
    void clicked();
    void openRequested();
    void settingsRequested();
    void quitRequested();
    void hostedChanged(bool hosted);

  private:
    void chooseShape();

    StatusItem& item_;
    std::unique_ptr<TrayEmbedder> embedProbe_;
    std::unique_ptr<StatusNotifier> notifier_;
    TrayShape shape_ = TrayShape::none;
    std::string watcherOwner_;
    std::optional<QPoint> clickedAt_;
};

}  // namespace tv
