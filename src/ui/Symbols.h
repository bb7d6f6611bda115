#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

#include <string>

namespace tv {

// Our own drawings of the label's symbols ("memorychip", "exclamationmark.triangle.fill",
// "thermometer.medium") and of the logo mark, as filled outlines.
namespace Symbols {

struct Margins {
    double leading = 0;
    double trailing = 0;
};

// The empty side bearings cut away so a symbol sits tight against its number.
Margins margins(const std::string& name);

// The symbol's size at the label's symbol size, before its margins are cut away.
QSizeF naturalSize(const std::string& name);

// The symbol filling `box` (its natural box); empty for an unknown name.
QPainterPath path(const std::string& name, const QRectF& box);

// The logo mark, scaled uniformly to fit `box` and centred in it.
QPainterPath logo(const QRectF& box);

}  // namespace Symbols

}  // namespace tv
