#include "app/LabelFrame.h"

#include <QColorSpace>
#include <QPainter>

#include <cmath>

#include "app/StatusItem.h"
#include "ui/MenuBarLabel.h"

namespace tv::LabelFrame {

namespace {

constexpr double scale = 2;

}  // namespace

QImage render(const MenuBarLabel& label, const QColor& trayText) {
    QSize slot = StatusItem::slotFor(label.size());
    QImage frame(static_cast<int>(slot.width() * scale), static_cast<int>(slot.height() * scale),
                 QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(scale);
    bool darkTray = trayText.lightnessF() > 0.5;
    frame.fill(QColor::fromRgbF(darkTray ? 0.17f : 0.93f, darkTray ? 0.17f : 0.93f,
                                darkTray ? 0.17f : 0.93f));
    QImage drawn = label.render(scale, trayText);
    QSizeF points = QSizeF(drawn.size()) / drawn.devicePixelRatio();
    QPainter painter(&frame);
    painter.drawImage(
        QPointF((slot.width() - points.width()) / 2, (slot.height() - points.height()) / 2), drawn);
    painter.end();
    frame.setColorSpace(QColorSpace::SRgb);
    return frame;
}

}  // namespace tv::LabelFrame
