#include "ui/MenuBarLabel.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "core/Format.h"
#include "monitor/Monitor.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "ui/LiveChart.h"
#include "ui/Symbols.h"

namespace tv {

namespace {

// Points are logical pixels: images are laid out at 72 dots per inch, and their device pixel
// ratio gives the scale.
constexpr int dotsPerMeterAt72 = 2835;

QImage canvas(int width, int height, double scale) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.setDotsPerMeterX(dotsPerMeterAt72);
    image.setDotsPerMeterY(dotsPerMeterAt72);
    return image;
}

// The number font's measures, taken once: its line, and the advance of a character (the font
// is monospaced, so every text's width follows from its length).
struct NumberMetrics {
    double height = 0;
    double ascent = 0;
    double advance = 0;
};

const NumberMetrics& numberMetrics(const QFont& font) {
    static const NumberMetrics measured = [&] {
        QImage device = canvas(1, 1, 1);
        QFontMetricsF m(font, &device);
        return NumberMetrics{m.height(), m.ascent(), m.horizontalAdvance(QStringLiteral("0"))};
    }();
    return measured;
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QSizeF trimmedSize(const std::string& symbol) {
    QSizeF natural = Symbols::naturalSize(symbol);
    Symbols::Margins m = Symbols::margins(symbol);
    return {natural.width() - m.leading - m.trailing, natural.height()};
}

double textWidth(const QFont& font, const std::string& text) {
    return static_cast<double>(QString::fromStdString(text).size()) * numberMetrics(font).advance;
}

}  // namespace

LabelReadings LabelReadings::of(const Monitor& monitor, const Settings& settings, bool fahrenheit) {
    LabelReadings r;
    r.cpu = monitor.cpu().user + monitor.cpu().system;
    r.cpuHistory = monitor.cpuHistory().values();
    r.sampledAt = monitor.sampledAt();
    const MemorySample& m = monitor.memory();
    r.memoryTotal = m.total;
    r.memoryUsed = m.app + m.wired + m.compressed;
    r.pressure = m.pressure;
    r.temperature = monitor.thermal().cpu;
    r.fahrenheit = fahrenheit;
    r.thermalState = monitor.thermalState();
    r.hasAlert = monitor.hasAlert();
    r.showCPU = settings.isOn(SettingKeys::menuCPU);
    r.showMemory = settings.isOn(SettingKeys::menuMemory);
    r.showHeat = settings.isOn(SettingKeys::menuHeat);
    return r;
}

MenuBarLabel::MenuBarLabel(LabelReadings readings)
    : readings_(std::move(readings)), items_(itemsFor(readings_)) {
    static const QFont number = [] {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(numberSize);
        font.setWeight(QFont::DemiBold);
        return font;
    }();
    number_ = number;
}

std::vector<LabelItem> MenuBarLabel::itemsFor(const LabelReadings& r) {
    std::vector<LabelItem> out;
    if (r.showCPU) {
        std::string text = Format::percent(r.cpu);
        out.push_back(
            {LabelItem::Kind::cpu, "", text, "100%", LabelItem::Tint::primary, "CPU " + text});
    }
    if (r.showMemory || r.pressure > 1) {
        double fraction = r.memoryTotal == 0 ? 0.0
                                             : static_cast<double>(r.memoryUsed) /
                                                   static_cast<double>(r.memoryTotal);
        std::string text = Format::percent(fraction);
        LabelItem::Tint tint = r.pressure >= 4   ? LabelItem::Tint::red
                               : r.pressure >= 2 ? LabelItem::Tint::orange
                                                 : LabelItem::Tint::primary;
        out.push_back({LabelItem::Kind::memory,
                       r.pressure < 2 ? "memorychip" : "exclamationmark.triangle.fill", text,
                       "100%", tint, "RAM " + text});
    }
    if (r.showHeat || r.thermalState >= 2) {
        std::string text = Format::temperature(r.temperature, r.fahrenheit);
        LabelItem::Tint tint = r.thermalState >= 3   ? LabelItem::Tint::red
                               : r.thermalState == 2 ? LabelItem::Tint::orange
                                                     : LabelItem::Tint::primary;
        out.push_back({LabelItem::Kind::heat, "thermometer.medium", text, "100°", tint,
                       "CPU temperature " + text});
    }
    return out;
}

QColor MenuBarLabel::colorOf(LabelItem::Tint tint, const QColor& primary) {
    switch (tint) {
        case LabelItem::Tint::orange:
            return QColor(255, 149, 0);
        case LabelItem::Tint::red:
            return QColor(255, 59, 48);
        case LabelItem::Tint::primary:
            break;
    }
    return primary;
}

double MenuBarLabel::iconWidth(const LabelItem& item) const {
    return item.kind == LabelItem::Kind::cpu ? chartWidth : trimmedSize(item.symbol).width();
}

double MenuBarLabel::itemWidth(const LabelItem& item) const {
    double number = std::max(textWidth(number_, item.reserve), textWidth(number_, item.text));
    return iconWidth(item) + iconSpacing + number;
}

QSizeF MenuBarLabel::size() const {
    const std::vector<LabelItem>& shown = items_;
    if (shown.empty()) {
        return {logoSize, logoSize};
    }
    double width = 0;
    double height = std::max({numberMetrics(number_).height, chartHeight, logoSize});
    for (const LabelItem& item : shown) {
        width += itemWidth(item);
    }
    width += itemSpacing * static_cast<double>(shown.size() - 1);
    return {std::ceil(width), std::ceil(height)};
}

QImage MenuBarLabel::render(double scale, const QColor& primary) const {
    QSizeF points = size();
    QImage image = canvas(std::max(1, static_cast<int>(std::ceil(points.width() * scale))),
                          std::max(1, static_cast<int>(std::ceil(points.height() * scale))), scale);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    double h = points.height();
    const std::vector<LabelItem>& shown = items_;
    if (shown.empty()) {
        painter.fillPath(Symbols::logo(QRectF(0, 0, logoSize, logoSize)), primary);
        return image;
    }
    painter.setFont(number_);
    const NumberMetrics& metrics = numberMetrics(number_);
    double x = 0;
    for (const LabelItem& item : shown) {
        QColor color = colorOf(item.tint, primary);
        if (item.kind == LabelItem::Kind::cpu) {
            LiveChart chart;
            chart.values = readings_.cpuHistory;
            chart.sampledAt = readings_.sampledAt;
            chart.live = false;
            chart.color = primary;
            chart.span = 16;
            chart.lineWidth = 1;
            chart.grid = false;
            chart.fps = 30;
            chart.paint(painter, QRectF(x, (h - chartHeight) / 2, chartWidth, chartHeight),
                        readings_.sampledAt, primary);
        } else {
            QSizeF natural = Symbols::naturalSize(item.symbol);
            Symbols::Margins m = Symbols::margins(item.symbol);
            QRectF box(x - m.leading, (h - natural.height()) / 2, natural.width(),
                       natural.height());
            painter.fillPath(Symbols::path(item.symbol, box), color);
        }
        double numberX = x + iconWidth(item) + iconSpacing;
        painter.setPen(color);
        double baseline = (h - metrics.height) / 2 + metrics.ascent;
        painter.drawText(QPointF(numberX, baseline), q(item.text));
        x += itemWidth(item) + itemSpacing;
    }
    return image;
}

QString MenuBarLabel::accessibleText() const {
    QStringList parts;
    for (const LabelItem& item : items_) {
        parts << q(item.accessibility);
    }
    return parts.isEmpty() ? QStringLiteral("TallyVane") : parts.join(QStringLiteral(", "));
}

}  // namespace tv
