#include "ui/panel/MiddleLabel.h"

namespace tv {

MiddleLabel::MiddleLabel(const QFont& font, QWidget* parent) : QLabel(parent) {
    setFont(font);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(20);
}

void MiddleLabel::setFull(const QString& text) {
    full_ = text;
    setAccessibleName(text);
    fit();
}

void MiddleLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    fit();
}

void MiddleLabel::fit() {
    setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, width()));
}

}  // namespace tv
