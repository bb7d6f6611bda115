#include "ui/controls/PanelStyle.h"

#include <QDir>
#include <QFontDatabase>

#include "platform/Platform.h"

namespace tv::PanelStyle {

bool loadFonts() {
    static const bool loaded = [] {
        std::string folder = platform::resourceFolder("fonts");
        if (folder.empty()) {
            return false;
        }
        QDir fonts(QString::fromStdString(folder));
        bool any = false;
        for (const QString& file : fonts.entryList({QStringLiteral("*.ttf")}, QDir::Files)) {
            any = QFontDatabase::addApplicationFont(fonts.filePath(file)) >= 0 || any;
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

QString thinScrollBar(int width, int handle) {
    return QStringLiteral(
               "QScrollBar:vertical { width: %1px; background: transparent; margin: 0; }"
               "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 120);"
               " border-radius: %2px; min-height: %3px; }"
               "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
               "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
        .arg(width)
        .arg(width / 2)
        .arg(handle);
}

}  // namespace tv::PanelStyle
