#include "ui/controls/Fade.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>

#include <algorithm>

namespace tv {

void setFade(QWidget& view, double opacity) {
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view.graphicsEffect());
    if (opacity >= 1) {
        if (effect) {
            view.setGraphicsEffect(nullptr);
        }
        return;
    }
    if (!effect) {
        effect = new QGraphicsOpacityEffect(&view);
        view.setGraphicsEffect(effect);
    }
    effect->setOpacity(std::max(opacity, 0.0));
}

}  // namespace tv
