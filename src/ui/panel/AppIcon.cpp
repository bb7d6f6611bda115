#include "ui/panel/AppIcon.h"

#include <QPainter>

#include "ui/controls/PanelStyle.h"
#include "ui/panel/AppIcons.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/PanelSymbols.h"

namespace tv {

AppIcon::AppIcon(AppIcons& icons, int size, QWidget* parent) : QWidget(parent), icons_(icons) {
    setFixedSize(size, size);
}

void AppIcon::setPath(const std::optional<std::string>& path) {
    if (path != path_) {
        path_ = path;
        update();
    }
}

void AppIcon::setEntrance(double progress) {
    if (progress != entrance_) {
        entrance_ = progress;
        update();
    }
}

void AppIcon::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QRectF box(rect());
    PanelLook::entering(p, box, entrance_);
    if (path_) {
        p.drawPixmap(box, icons_.icon(*path_), QRectF(0, 0, AppIcons::pixels, AppIcons::pixels));
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(PanelStyle::primary(*this, 0.08));
    p.drawRoundedRect(box, 4, 4);
    p.setBrush(PanelStyle::primary(*this, 0.8));
    double inset = box.width() * 0.22;
    p.drawPath(PanelSymbols::path("terminal", box.adjusted(inset, inset, -inset, -inset)));
}

}  // namespace tv
