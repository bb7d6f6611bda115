#include "ui/controls/Reveal.h"

#include <QTimer>

#include <algorithm>

#include "ui/controls/Fade.h"
#include "ui/controls/Motion.h"

namespace tv {

Reveal::Reveal(QWidget* target, int step)
    : QObject(target), target_(target), step_(step), animation_(Spring{0.42, 1}) {
    home_ = target->pos();
    connect(&animation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { apply(v.toDouble()); });
    apply(0);
}

void Reveal::apply(double progress) {
    progress_ = progress;
    if (target_) {
        setFade(*target_, std::clamp(progress, 0.0, 1.0));
        double offset = Reveal::offset(false, Motion::reduced()) * (1 - progress);
        // Moved down within its own height: the bottom margin gives back what the top takes, so
        // the panel keeps its size while sections arrive.
        int shift = static_cast<int>(offset);
        target_->setContentsMargins(0, shift, 0, -shift);
    }
}

void Reveal::setShown(bool shown) {
    double to = shown ? 1.0 : 0.0;
    QTimer::singleShot(static_cast<int>(delay(step_, Motion::reduced()) * 1000), this,
                       [this, to] { animation_.retarget(progress_, to); });
}

}  // namespace tv
