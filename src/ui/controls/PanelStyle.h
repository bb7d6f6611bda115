#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace tv::PanelStyle {

// The panel's font ("Plus Jakarta Sans", loaded from the build's font folder; the system
// font when it is missing) at a fixed size and weight.
QFont font(double points, QFont::Weight weight = QFont::Normal);
// Loads the panel font files once; true when the family is available.
bool loadFonts();

// The primary (text) colour of a widget, with an opacity.
QColor primary(const QWidget& widget, double opacity = 1);
QColor secondary(const QWidget& widget);
QColor accent(const QWidget& widget);

// The style sheet of the panel's thin vertical scroll bar: `width` pixels of rounded grey
// handle, no arrows, no track, at least `handle` pixels long.
QString thinScrollBar(int width, int handle);

}  // namespace tv::PanelStyle
