#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <optional>
#include <string>
#include <vector>

#include "core/Date.h"
#include "core/ThermalSample.h"

namespace tv {

class Monitor;
class Settings;

// The readings and switches one label is drawn from.
struct LabelReadings {
    double cpu = 0;  // user + system, 0...1
    std::vector<double> cpuHistory;
    Date sampledAt;
    std::uint64_t memoryTotal = 0;
    std::uint64_t memoryUsed = 0;  // app + wired + compressed
    int pressure = 1;
    std::optional<double> temperature;  // average CPU, °C
    bool fahrenheit = false;
    ThermalState thermalState = 0;
    bool hasAlert = false;
    bool showCPU = true;
    bool showMemory = true;
    bool showHeat = true;

    static LabelReadings of(const Monitor& monitor, const Settings& settings, bool fahrenheit);
};

// One reading in the label.
struct LabelItem {
    enum class Kind { cpu, memory, heat };
    enum class Tint { primary, orange, red };

    Kind kind = Kind::cpu;
    std::string symbol;  // empty for the CPU item, which shows its chart
    std::string text;
    std::string reserve;  // the widest text, whose width is kept
    Tint tint = Tint::primary;
    std::string accessibility;

    bool operator==(const LabelItem&) const = default;
};

// The picture in the tray: up to three live readings (CPU chart and percent, memory,
// CPU temperature), or the logo when all are hidden. A reading with a problem shows even
// when hidden. Each number keeps the width of its widest text, so the label never changes
// width as values change.
class MenuBarLabel {
  public:
    static constexpr double itemSpacing = 9;
    static constexpr double iconSpacing = 4;
    static constexpr double numberSize = 11.5;
    static constexpr double symbolSize = 11;
    static constexpr double logoSize = 15;
    static constexpr double chartWidth = 20;
    static constexpr double chartHeight = 13;

    explicit MenuBarLabel(LabelReadings readings);

    // The items shown, worked out once from the readings.
    const std::vector<LabelItem>& items() const { return items_; }
    // Drawn in the tray's text colour (no alert) or in colour (alerting).
    bool isTemplate() const { return !readings_.hasAlert; }
    // The size in points.
    QSizeF size() const;
    // Renders at `scale` device pixels per point; `primary` is the tray's text colour.
    QImage render(double scale, const QColor& primary) const;
    // What a screen reader says: each item's label, joined by ", "; "TallyVane" for the logo.
    QString accessibleText() const;

    static QColor colorOf(LabelItem::Tint tint, const QColor& primary);

  private:
    static std::vector<LabelItem> itemsFor(const LabelReadings& readings);
    double itemWidth(const LabelItem& item) const;
    double iconWidth(const LabelItem& item) const;

    LabelReadings readings_;
    std::vector<LabelItem> items_;
    QFont number_;
};

}  // namespace tv
