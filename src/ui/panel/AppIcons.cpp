#include "ui/panel/AppIcons.h"

#include <QFileInfo>
#include <QIcon>
#include <QPainter>

#include "platform/DesktopApps.h"
#include "ui/panel/PanelSymbols.h"

namespace tv {

const QPixmap& AppIcons::icon(const std::string& appPath) {
    auto found = cache_.find(appPath);
    if (found == cache_.end()) {
        found = cache_.emplace(appPath, draw(appPath)).first;
    }
    return found->second;
}

QPixmap AppIcons::draw(const std::string& appPath) const {
    QIcon icon;
    if (apps_) {
        if (auto name = apps_->iconOf(appPath)) {
            QString text = QString::fromStdString(*name);
            icon = QFileInfo(text).isAbsolute() ? QIcon(text) : QIcon::fromTheme(text);
        }
    }
    if (icon.isNull()) {
        icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    }
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (!icon.isNull()) {
        icon.paint(&p, QRect(0, 0, pixels, pixels));
    } else {
        // The generic application: a rounded window.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 124, 136));
        p.drawPath(PanelSymbols::path("app", QRectF(2, 2, pixels - 4, pixels - 4)));
    }
    p.end();
    return QPixmap::fromImage(image);
}

}  // namespace tv
