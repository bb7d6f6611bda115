#include "ui/panel/Badge.h"

#include <QPainter>
#include <QVariantAnimation>

#include "ui/controls/PanelStyle.h"
#include "ui/controls/Spring.h"
#include "ui/panel/PanelLook.h"

namespace tv {

namespace {

QFont badgeFont() {
    return PanelStyle::font(10, QFont::DemiBold);
}

}  // namespace

Badge::Badge(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    hide();
}

QSize Badge::sizeHint() const {
    if (!alert_) {
        return {0, 0};
    }
    QFontMetrics m(badgeFont());
    return {m.horizontalAdvance(QString::fromStdString(alert_->text)) + 12, 16};
}

void Badge::setAlert(const std::optional<Alert>& alert) {
    if (alert == alert_) {
        return;
    }
    bool appearing = alert && !alert_;
    alert_ = alert;
    setVisible(alert.has_value());
    updateGeometry();
    if (appearing) {
        auto* grow = new SpringAnimation(Spring{0.3, 0.85}, this);
        connect(grow, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            scale_ = v.toDouble();
            update();
        });
        grow->retarget(0.8, 1.0);
        connect(grow, &QVariantAnimation::finished, grow, &QObject::deleteLater);
    }
    update();
}

void Badge::paintEvent(QPaintEvent*) {
    if (!alert_) {
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF box(rect());
    p.translate(box.center());
    p.scale(scale_, scale_);
    p.translate(-box.center());
    QColor color = PanelLook::tint(alert_->tint);
    p.setPen(Qt::NoPen);
    p.setBrush(PanelLook::withAlpha(color, 0.16));
    p.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    p.setPen(color);
    p.setFont(badgeFont());
    p.drawText(box, Qt::AlignCenter, QString::fromStdString(alert_->text));
}

Dot::Dot(QColor color, QWidget* parent) : QWidget(parent), color_(std::move(color)) {
    setFixedSize(7, 7);
}

void Dot::setColor(QColor color) {
    color_ = std::move(color);
    update();
}

void Dot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color_);
    p.drawEllipse(QRectF(rect()));
}

}  // namespace tv
