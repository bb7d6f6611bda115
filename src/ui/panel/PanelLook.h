#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

#include "core/Panel.h"
#include "core/ReadingTexts.h"

class QLabel;
class QPainter;
class QRectF;
class QWidget;

// The panel's fixed colours and faces, and its light and dark palettes.
namespace tv::PanelLook {

// Each reading's hue, the same in light and dark.
QColor hue(Panel panel);
QColor tint(Tint tint);
QColor withAlpha(QColor color, double opacity);

// Numbers: a monospaced face so that digits do not jitter.
QFont numbers(double points, QFont::Weight weight = QFont::Normal);

// A label in the panel font; secondary labels take the palette's placeholder colour (the text
// colour at 60 %), so they follow a change of palette.
QLabel* label(const QString& text, const QFont& font, bool secondary, QWidget* parent);

// Sets `p` to draw what fills `box` as it enters: at `progress` 0 → 1 it fades in and grows
// about its centre from 0.7 of its size (a spring's overshoot grows it a little past 1).
void entering(QPainter& p, const QRectF& box, double progress);

// The panel's palette for the dark or light look.
QPalette palette(bool dark);
// Whether a palette is a dark one (its window darker than its text).
bool isDark(const QPalette& palette);

}  // namespace tv::PanelLook
