#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/CPUSample.h"
#include "core/MemorySample.h"
#include "core/ThermalSample.h"
#include "core/Vocabulary.h"

namespace tv {

// The named colours the panel's texts are shown in.
enum class Tint { green, yellow, orange, red, gray };

// A small coloured label beside a row title.
struct Alert {
    std::string text;
    Tint tint = Tint::orange;

    bool operator==(const Alert&) const = default;
};

// What a reading row's header says.
struct ReadingLine {
    std::string title;
    std::string value;
    std::string subtitle;
    std::optional<Alert> alert;

    // The header as one accessible element: "CPU 23%", "Memory 81%, Tight".
    std::string accessibleName() const;
};

// A labelled meter of the Heat detail: `fill` absent means an empty meter.
struct MeterLine {
    std::string label;
    std::string value;
    std::optional<double> fill;

    bool operator==(const MeterLine&) const = default;
};

// The texts of the reading rows and their detail sections, from plain readings.
namespace ReadingTexts {

ReadingLine cpu(const CPUSample& sample);
ReadingLine memory(const MemorySample& sample);
ReadingLine gpu(std::optional<double> busy, std::optional<double> temperature, bool fahrenheit);
ReadingLine heat(const ThermalSample& sample, ThermalState state, bool fahrenheit);

// Fraction of memory in use: (app + wired + compressed) ÷ total, 0 without a total.
double memoryUsed(const MemorySample& sample);

// The Heat subtitle: the fastest fan ("Fan off", "Fans 2,400 rpm"), or without fans
// "Thermal state: " and the state's name.
std::string fanSummary(const std::vector<Fan>& fans, ThermalState state);
// "Normal", "Warm", "Hot, slowing down", "Too hot", else "Unknown".
std::string thermalStateName(ThermalState state);
Tint thermalStateTint(ThermalState state);
// "<system> thermal state".
std::string thermalStateLabel(const Vocabulary& words);
// A whole rpm with grouping separators: "2,400".
std::string groupedWhole(double value);

// Memory pressure: "Normal" (below 2), "Tight" (2 or 3), "Critical" (4 and up).
std::string pressureName(int level);
Tint pressureTint(int level);
// "1.2 GB of 4.0 GB" for swap used and total.
std::string swapLine(const MemorySample& sample);
// Each load average as "%.2f".
std::vector<std::string> loadTexts(const std::vector<double>& load);

// "CPU average", "CPU hottest", "GPU", "Battery", then one line per fan.
std::vector<MeterLine> heatMeters(const ThermalSample& sample, bool fahrenheit);

}  // namespace ReadingTexts

}  // namespace tv
