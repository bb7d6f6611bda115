#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace tv {

// A still of a view that is never shown: laid out at its own size, drawn off screen at two
// device pixels per point in sRGB, over the window colour of the panel's light or dark look
// on every edge.
namespace ViewStill {

constexpr double scale = 2;

QImage render(QWidget& view, bool dark);

}  // namespace ViewStill

}  // namespace tv
