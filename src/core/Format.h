#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/Date.h"

namespace tv {

// How numbers are written for people: plain decimal point, no grouping, every rounding
// half away from zero.
namespace Format {

// round(fraction × 100) followed by "%".
std::string percent(double fraction);

// "1.0 GB" from one binary gigabyte up, whole binary megabytes below.
std::string bytes(std::uint64_t count);

// Decimal units: "944 KB/s", "99.9 MB/s", "121 MB/s".
std::string rate(double bytesPerSecond);

// "117 Mbps", "1.4 Gbps".
std::string bitrate(double bitsPerSecond);

// Whole degrees with "°", or an en dash when there is no reading.
std::string temperature(std::optional<double> celsius, bool fahrenheit);

// Whether temperatures show in Fahrenheit: the stored unit preference when it says
// "Fahrenheit" or "Celsius", else whether the locale measures the US way.
bool fahrenheit(const std::optional<std::string>& unitPreference, bool localeIsUS);

// "Up 59 min", "Up 1 hr 1 min", "Up 1 day 1 hr", "Up 2 days 2 hr".
std::string uptime(Date since, Date now);

// A value rounded half away from zero and written as a whole number; 0 for NaN or infinity.
std::string wholeNumber(double value);

// A value rounded half away from zero to one decimal, always with that decimal.
std::string oneDecimal(double value);

}  // namespace Format

}  // namespace tv
