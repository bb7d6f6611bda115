#pragma once

#include <QPainterPath>
#include <QRectF>

#include <string>

namespace tv::PanelSymbols {

// Our own drawings of the panel's symbols as filled outlines fitted to a square `box`: "cpu",
// "memorychip", "cube.transparent", "thermometer.medium", "checkmark", "exclamationmark",
// "xmark", "pause.fill", "tortoise.fill", "terminal", "arrow.down", "arrow.up",
// "gearshape", "app". Empty for an unknown name.
QPainterPath path(const std::string& name, const QRectF& box);

}  // namespace tv::PanelSymbols
