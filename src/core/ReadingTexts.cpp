#include "core/ReadingTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/Format.h"

namespace tv {

std::string ReadingLine::accessibleName() const {
    return title + " " + value + (alert ? ", " + alert->text : std::string());
}

namespace ReadingTexts {

namespace {

std::optional<double> temperatureFill(std::optional<double> celsius) {
    if (!celsius) {
        return std::nullopt;
    }
    return std::clamp((*celsius - 30) / 80, 0.0, 1.0);
}

std::optional<double> fanFill(const Fan& fan) {
    if (fan.rpm <= 0 || !(fan.max > fan.min)) {
        return std::nullopt;
    }
    return std::clamp((fan.rpm - fan.min) / (fan.max - fan.min), 0.0, 1.0);
}

std::optional<Alert> pressureAlert(int level) {
    if (level > 3) {
        return Alert{"Critical", Tint::red};
    }
    if (level >= 2) {
        return Alert{"Tight", Tint::orange};
    }
    return std::nullopt;
}

}  // namespace

ReadingLine cpu(const CPUSample& sample) {
    return {
        "CPU", Format::percent(sample.user + sample.system),
        "User " + Format::percent(sample.user) + " \u00B7 System " + Format::percent(sample.system),
        std::nullopt};
}

double memoryUsed(const MemorySample& sample) {
    return sample.total == 0
               ? 0
               : static_cast<double>(sample.used()) / static_cast<double>(sample.total);
}

ReadingLine memory(const MemorySample& sample) {
    return {"Memory", Format::percent(memoryUsed(sample)),
            Format::bytes(sample.used()) + " of " + Format::bytes(sample.total),
            pressureAlert(sample.pressure)};
}

ReadingLine gpu(std::optional<double> busy, std::optional<double> temperature, bool fahrenheit) {
    // No GPU that can be read is no reading, not an idle GPU.
    return {"GPU", busy ? Format::percent(*busy) : "\u2013",
            "Temperature " + Format::temperature(temperature, fahrenheit), std::nullopt};
}

ReadingLine heat(const ThermalSample& sample, ThermalState state, bool fahrenheit) {
    std::optional<Alert> alert;
    if (state == 2) {
        alert = Alert{"Hot", Tint::orange};
    } else if (state == 3) {
        alert = Alert{"Too hot", Tint::red};
    }
    return {"Heat", Format::temperature(sample.cpu, fahrenheit), fanSummary(sample.fans, state),
            alert};
}

std::string groupedWhole(double value) {
    std::string digits = Format::wholeNumber(std::abs(value));
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return (value <= -0.5 ? "-" : "") + grouped;
}

std::string fanSummary(const std::vector<Fan>& fans, ThermalState state) {
    if (fans.empty()) {
        return "Thermal state: " + thermalStateName(state);
    }
    double fastest = std::max_element(fans.begin(), fans.end(), [](const Fan& a, const Fan& b) {
                         return a.rpm < b.rpm;
                     })->rpm;
    std::string noun = fans.size() == 1 ? "Fan" : "Fans";
    if (fastest < 1) {
        return noun + " off";
    }
    return noun + " " + groupedWhole(fastest) + " rpm";
}

std::string thermalStateName(ThermalState state) {
    switch (state) {
        case 0:
            return "Normal";
        case 1:
            return "Warm";
        case 2:
            return "Hot, slowing down";
        case 3:
            return "Too hot";
        default:
            return "Unknown";
    }
}

Tint thermalStateTint(ThermalState state) {
    switch (state) {
        case 0:
            return Tint::green;
        case 1:
            return Tint::yellow;
        case 2:
            return Tint::orange;
        case 3:
            return Tint::red;
        default:
            return Tint::gray;
    }
}

std::string thermalStateLabel(const Vocabulary& words) {
    return words.system + " thermal state";
}

std::string pressureName(int level) {
    return level >= 4 ? "Critical" : level >= 2 ? "Tight" : "Normal";
}

Tint pressureTint(int level) {
    return level >= 4 ? Tint::red : level >= 2 ? Tint::orange : Tint::green;
}

std::string swapLine(const MemorySample& sample) {
    return Format::bytes(sample.swapUsed) + " of " + Format::bytes(sample.swapTotal);
}

std::vector<std::string> loadTexts(const std::vector<double>& load) {
    std::vector<std::string> texts;
    for (double value : load) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", std::isfinite(value) ? value : 0.0);
        texts.emplace_back(text);
    }
    return texts;
}

std::vector<MeterLine> heatMeters(const ThermalSample& sample, bool fahrenheit) {
    auto temperature = [&](const char* label, std::optional<double> celsius) {
        return MeterLine{label, Format::temperature(celsius, fahrenheit), temperatureFill(celsius)};
    };
    std::vector<MeterLine> lines{
        temperature("CPU average", sample.cpu), temperature("CPU hottest", sample.cpuMax),
        temperature("GPU", sample.gpu), temperature("Battery", sample.battery)};
    for (std::size_t i = 0; i < sample.fans.size(); ++i) {
        const Fan& fan = sample.fans[i];
        std::string label = sample.fans.size() == 1 ? "Fan" : "Fan " + std::to_string(i + 1);
        std::string value = fan.rpm < 1 ? "Off" : groupedWhole(fan.rpm) + " rpm";
        lines.push_back({label, value, fanFill(fan)});
    }
    return lines;
}

}  // namespace ReadingTexts

}  // namespace tv
