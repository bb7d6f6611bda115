#pragma once

#include <QColor>
#include <QImage>

namespace tv {

class MenuBarLabel;

// The tray item's button as it looks now, as a picture: the label, drawn in the tray's text
// colour, centred in the item's slot over the grey of a dark tray (white level 0.17) when
// that text is light, else of a light one (0.93); two device pixels per point.
namespace LabelFrame {

QImage render(const MenuBarLabel& label, const QColor& trayText);

}  // namespace LabelFrame

}  // namespace tv
