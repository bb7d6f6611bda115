#pragma once

class QWidget;

namespace tv {

// Draws `view` at `opacity` (0 to 1) through an opacity effect while it is below 1, and
// without any effect once it is 1: effects do not nest, so one kept on a fully shown view
// would spoil the fades of the widgets inside it, and it costs every paint.
void setFade(QWidget& view, double opacity);

}  // namespace tv
