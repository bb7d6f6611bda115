#include "core/Format.h"

#include <cmath>
#include <limits>

namespace tv::Format {

namespace {

// Rounds half away from zero into an integer; non-finite or out-of-range values give 0 or
// the nearest representable bound so that formatting never invokes undefined behaviour.
long long rounded(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    double r = std::round(value);
    constexpr double limit = 9.0e18;
    if (r >= limit) {
        return static_cast<long long>(limit);
    }
    if (r <= -limit) {
        return -static_cast<long long>(limit);
    }
    return static_cast<long long>(r);
}

// Negative throughputs and rates cannot happen; they are written as 0.
double nonNegative(double value) {
    return value > 0 ? value : 0.0;
}

}  // namespace

std::string wholeNumber(double value) {
    return std::to_string(rounded(value));
}

std::string oneDecimal(double value) {
    long long tenths = rounded(value * 10);
    bool negative = tenths < 0;
    unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(tenths) : tenths;
    std::string text = std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
    return negative ? "-" + text : text;
}

std::string percent(double fraction) {
    return wholeNumber(fraction * 100) + "%";
}

std::string bytes(std::uint64_t count) {
    constexpr double gib = 1024.0 * 1024.0 * 1024.0;
    double g = static_cast<double>(count) / gib;
    if (g >= 1) {
        return oneDecimal(g) + " GB";
    }
    return std::to_string(count / (1024 * 1024)) + " MB";
}

std::string rate(double bytesPerSecond) {
    double x = nonNegative(bytesPerSecond);
    if (x >= 99'950'000) {
        return wholeNumber(x / 1'000'000) + " MB/s";
    }
    if (x >= 1'000'000) {
        return oneDecimal(x / 1'000'000) + " MB/s";
    }
    return wholeNumber(x / 1'000) + " KB/s";
}

std::string bitrate(double bitsPerSecond) {
    double x = nonNegative(bitsPerSecond);
    if (x >= 1'000'000'000) {
        return oneDecimal(x / 1'000'000'000) + " Gbps";
    }
    return wholeNumber(x / 1'000'000) + " Mbps";
}

std::string temperature(std::optional<double> celsius, bool fahrenheit) {
    if (!celsius) {
        return "\u2013";
    }
    double value = fahrenheit ? *celsius * 9 / 5 + 32 : *celsius;
    return wholeNumber(value) + "\u00B0";
}

bool fahrenheit(const std::optional<std::string>& unitPreference, bool localeIsUS) {
    if (unitPreference == "Fahrenheit") {
        return true;
    }
    if (unitPreference == "Celsius") {
        return false;
    }
    return localeIsUS;
}

std::string uptime(Date since, Date now) {
    double elapsed = secondsBetween(since, now);
    // A boot time in the future (a clock that was set back) reads as just started.
    long long m = elapsed > 0 ? static_cast<long long>(std::trunc(elapsed / 60)) : 0;
    if (m < 60) {
        return "Up " + std::to_string(m) + " min";
    }
    if (m < 1440) {
        return "Up " + std::to_string(m / 60) + " hr " + std::to_string(m % 60) + " min";
    }
    long long days = m / 1440;
    return "Up " + std::to_string(days) + (days == 1 ? " day " : " days ") +
           std::to_string((m % 1440) / 60) + " hr";
}

}  // namespace tv::Format
