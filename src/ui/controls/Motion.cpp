#include "ui/controls/Motion.h"

#include <QCoreApplication>
#include <QVariant>

namespace tv {

namespace {
constexpr const char* reducedProperty = "tallyvaneReducedMotion";
}

bool Motion::reduced() {
    QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && app->property(reducedProperty).toBool();
}

void Motion::setReduced(bool reduced) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->setProperty(reducedProperty, reduced);
    }
}

}  // namespace tv
