#pragma once

#include <QPainterPath>
#include <QRectF>

#include <string>

namespace tv::PageSymbols {

// Our own drawings of the settings and rating pages' symbols as filled outlines fitted to a
// square `box`: "chevron.left", "star", "star.fill", "exclamationmark.circle.fill". Empty for
// an unknown name.
QPainterPath path(const std::string& name, const QRectF& box);

}  // namespace tv::PageSymbols
