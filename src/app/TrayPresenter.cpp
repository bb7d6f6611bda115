#include "app/TrayPresenter.h"

#include "ui/MenuBarLabel.h"
#include "ui/TrayIcon.h"

namespace tv {

namespace {

// Icons are drawn for a 22 px slot, and at twice that for dense screens.
constexpr int slot = 22;

}  // namespace

TrayPresenter::TrayPresenter(Parts parts, QObject* parent)
    : QObject(parent),
      item_(parts.item),
      embedProbe_(std::move(parts.embedProbe)),
      notifier_(std::move(parts.notifier)) {
    // The docked label's own menu leads where the status-notifier item's does.
    connect(&item_, &StatusItem::openRequested, this, &TrayPresenter::openRequested);
    connect(&item_, &StatusItem::settingsRequested, this, &TrayPresenter::settingsRequested);
    connect(&item_, &StatusItem::quitRequested, this, &TrayPresenter::quitRequested);
}

void TrayPresenter::chooseShape() {
    watcherOwner_ = notifier_ ? notifier_->watcherOwner() : std::string();
    // A tray that does not say whose it is still embeds.
    static const std::string unknownOwner("?");
    std::string embedOwner;
    if (embedProbe_ && embedProbe_->available()) {
        std::string name = embedProbe_->ownerName();
        embedOwner = name.empty() ? unknownOwner : name;
    }
    shape_ = trayShapeFor(watcherOwner_, embedOwner);
}

void TrayPresenter::install() {
    chooseShape();
    if (shape_ == TrayShape::docked) {
        item_.install();
        return;
    }
    if (!notifier_) {
        return;
    }
    StatusNotifier::Handlers handlers;
    handlers.activate = [this](int x, int y) {
        // Every host we know sends a screen position (waybar from 0.10 on; its 0.9 releases
        // sent the position inside the icon, which opens the panel under the bar's left end
        // rather than at a stale pointer position).
        clickedAt_ = QPoint(x, y);
        emit clicked();
    };
    handlers.open = [this] { emit openRequested(); };
    handlers.settings = [this] { emit settingsRequested(); };
    handlers.quit = [this] { emit quitRequested(); };
    handlers.hosted = [this](bool hosted) {
        if (hosted) {
            // A watcher that came later may be another host; the item stays with it.
            watcherOwner_ = notifier_->watcherOwner();
            shape_ = trayShapeFor(watcherOwner_, "");
            if (shape_ == TrayShape::none) {
                shape_ = TrayShape::square;
            }
        }
        emit hostedChanged(hosted);
    };
    notifier_->start(std::move(handlers));
}

bool TrayPresenter::hosted() const {
    if (shape_ == TrayShape::docked) {
        return true;
    }
    return notifier_ && notifier_->hosted();
}

void TrayPresenter::show(const MenuBarLabel& label) {
    if (shape_ == TrayShape::docked) {
        item_.setLabel(label.render(item_.scale(), item_.textColor()), label.accessibleText());
        return;
    }
    if (!notifier_) {
        return;
    }
    QColor primary = hostPanelIsDark(watcherOwner_) ? QColor(Qt::white) : item_.textColor();
    TrayIcon icon(label);
    StatusNotifierLook look;
    switch (shape_) {
        case TrayShape::wide:
            look.icons = {label.render(1, primary), label.render(2, primary)};
            break;
        case TrayShape::squareWithText:
            look.icons = {icon.mark(slot, primary), icon.mark(2 * slot, primary)};
            look.label = icon.text();
            look.labelGuide = icon.guide();
            break;
        default:
            look.icons = {icon.reading(slot, primary), icon.reading(2 * slot, primary)};
            break;
    }
    look.toolTipTitle = QStringLiteral("TallyVane");
    look.toolTip = label.accessibleText();
    look.accessibleDescription = label.accessibleText();
    look.attention = !label.isTemplate();
    notifier_->show(look);
}

QRect TrayPresenter::anchor() const {
    if (shape_ == TrayShape::docked) {
        return item_.anchor();
    }
    return clickedAt_ ? QRect(*clickedAt_, QSize(1, 1)) : QRect();
}

}  // namespace tv
