#include "ui/controls/PanelStyle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>

namespace tv::PanelStyle {

bool loadFonts() {
    static const bool loaded = [] {
        QDir beside(QCoreApplication::applicationDirPath());
        bool any = false;
        for (const QString& folder : {QStringLiteral("fonts"), QStringLiteral("../fonts")}) {
            QDir fonts(beside.filePath(folder));
            for (const QString& file : fonts.entryList({QStringLiteral("*.ttf")}, QDir::Files)) {
                any = QFontDatabase::addApplicationFont(fonts.filePath(file)) >= 0 || any;
            }
        }
        return any;
    }();
    return loaded;
}

QFont font(double points, QFont::Weight weight) {
    QFont f = loadFonts() ? QFont(QStringLiteral("Plus Jakarta Sans")) : QFont();
    f.setPointSizeF(points);
    f.setWeight(weight);
    return f;
}

QColor primary(const QWidget& widget, double opacity) {
    QColor c = widget.palette().color(QPalette::WindowText);
    c.setAlphaF(static_cast<float>(opacity));
    return c;
}

QColor secondary(const QWidget& widget) {
    return primary(widget, 0.6);
}

QColor accent(const QWidget& widget) {
    return widget.palette().color(QPalette::Highlight);
}

}  // namespace tv::PanelStyle
