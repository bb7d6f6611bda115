#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace tv::test {

// The button with this accessible name or text under `root`, one that is shown first; null
// when there is none.
inline QAbstractButton* button(const QWidget& root, const QString& name) {
    QAbstractButton* hidden = nullptr;
    for (QAbstractButton* b : root.findChildren<QAbstractButton*>()) {
        if (b->accessibleName() == name || b->text() == name) {
            if (b->isVisibleTo(&root)) {
                return b;
            }
            hidden = hidden ? hidden : b;
        }
    }
    return hidden;
}

// Whether a label with exactly this text is shown (visible up to `root`).
inline bool shows(const QWidget& root, const QString& text) {
    for (QLabel* label : root.findChildren<QLabel*>()) {
        if (label->text() == text && label->isVisibleTo(&root)) {
            return true;
        }
    }
    return false;
}

}  // namespace tv::test
