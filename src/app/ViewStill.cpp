#include "app/ViewStill.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QLayout>
#include <QWidget>

#include <cmath>

#include "ui/panel/PanelLook.h"

namespace tv::ViewStill {

QImage render(QWidget& view, bool dark) {
    QPalette look = PanelLook::palette(dark);
    view.setPalette(look);
    view.ensurePolished();
    // A view that was never shown has its layouts' requests still queued; the deepest first,
    // so that each size is known when its parent asks.
    QList<QWidget*> parts = view.findChildren<QWidget*>();
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        if (QLayout* layout = (*part)->layout()) {
            layout->activate();
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (QLayout* layout = view.layout()) {
        layout->activate();
    }
    // Its own size in full; unlike adjustSize(), not cut to part of the screen.
    // Wrapped texts are measured at the width the view will have, which a fixed width may make
    // narrower than its hint.
    QSize size = view.sizeHint().expandedTo(view.minimumSize()).boundedTo(view.maximumSize());
    if (int height = view.hasHeightForWidth() ? view.heightForWidth(size.width()) : -1;
        height > 0) {
        size.setHeight(height);
    }
    view.resize(size.expandedTo(view.minimumSize()).boundedTo(view.maximumSize()));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QSize pixels(static_cast<int>(std::ceil(view.width() * scale)),
                 static_cast<int>(std::ceil(view.height() * scale)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(look.color(QPalette::Window));
    view.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    image.setColorSpace(QColorSpace::SRgb);
    return image;
}

}  // namespace tv::ViewStill
