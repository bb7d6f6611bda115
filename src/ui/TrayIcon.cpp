#include "ui/TrayIcon.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>

#include <cstdlib>

#include "ui/Symbols.h"

namespace tv {

namespace {

int severity(LabelItem::Tint tint) {
    switch (tint) {
        case LabelItem::Tint::red:
            return 2;
        case LabelItem::Tint::orange:
            return 1;
        case LabelItem::Tint::primary:
            break;
    }
    return 0;
}

// The whole number a reading's text starts with; -1 for "–" and the like.
long valueOf(const LabelItem& item) {
    char* end = nullptr;
    long value = std::strtol(item.text.c_str(), &end, 10);
    return end == item.text.c_str() ? -1 : value;
}

QImage blank(int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QString joined(const std::vector<LabelItem>& items, std::string LabelItem::*field) {
    QStringList parts;
    for (const LabelItem& item : items) {
        parts << QString::fromStdString(item.*field);
    }
    return parts.join(QStringLiteral(" · "));
}

}  // namespace

std::optional<LabelItem> TrayIcon::leading() const {
    std::optional<LabelItem> best;
    for (const LabelItem& item : label_.items()) {
        bool percent = item.kind != LabelItem::Kind::heat;
        if (!best || severity(item.tint) > severity(best->tint) ||
            (severity(item.tint) == severity(best->tint) && percent &&
             best->kind != LabelItem::Kind::heat && valueOf(item) > valueOf(*best))) {
            best = item;
        }
    }
    return best;
}

QImage TrayIcon::reading(int pixels, const QColor& primary) const {
    std::optional<LabelItem> item = leading();
    if (!item) {
        return mark(pixels, primary);
    }
    QImage image = blank(pixels);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QString text = QString::fromStdString(item->text);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setBold(true);
    font.setStretch(QFont::Condensed);
    // As large as the slot allows: the number fills the width, a bar under it shows the kind.
    double size = pixels * 0.62;
    font.setPixelSize(static_cast<int>(size));
    double width = QFontMetricsF(font).horizontalAdvance(text);
    if (width > pixels) {
        font.setPixelSize(std::max(6, static_cast<int>(size * pixels / width)));
    }
    QColor colour = MenuBarLabel::colorOf(item->tint, primary);
    painter.setPen(colour);
    painter.setFont(font);
    QRectF textBox(0, 0, pixels, pixels * 0.8);
    painter.drawText(textBox, Qt::AlignCenter, text);
    double bar = std::max(1.0, pixels / 11.0);
    double filled = pixels;
    if (long value = valueOf(*item); item->kind != LabelItem::Kind::heat && value >= 0) {
        filled = pixels * std::min(100L, value) / 100.0;
    }
    QColor track = colour;
    track.setAlphaF(0.3f);
    painter.fillRect(QRectF(0, pixels - bar, pixels, bar), track);
    painter.fillRect(QRectF(0, pixels - bar, filled, bar), colour);
    return image;
}

QImage TrayIcon::mark(int pixels, const QColor& primary) const {
    QImage image = blank(pixels);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    double inset = pixels / 11.0;
    painter.fillPath(Symbols::logo(QRectF(inset, inset, pixels - 2 * inset, pixels - 2 * inset)),
                     primary);
    return image;
}

QString TrayIcon::text() const {
    return joined(label_.items(), &LabelItem::text);
}

QString TrayIcon::guide() const {
    return joined(label_.items(), &LabelItem::reserve);
}

}  // namespace tv
