#include "ui/controls/BackButton.h"

#include <QPainter>

#include "ui/PageSymbols.h"
#include "ui/controls/PanelStyle.h"

namespace tv {

BackButton::BackButton(QWidget* parent) : QAbstractButton(parent) {
    setFixedSize(22, 22);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Back"));
    setAccessibleName(QStringLiteral("Back"));
}

void BackButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(PanelStyle::primary(*this, isDown() ? 0.5 : 0.85));
    QRectF glyph(0, 0, 11, 11);
    glyph.moveCenter(QRectF(rect()).center());
    p.drawPath(PageSymbols::path("chevron.left", glyph));
}

}  // namespace tv
