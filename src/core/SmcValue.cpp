#include "core/SmcValue.h"

#include <cstring>

namespace tv::Smc {

std::uint32_t keyCode(std::string_view name) {
    std::uint32_t code = 0;
    for (char c : name) {
        code = code * 256 + static_cast<std::uint8_t>(c);
    }
    return code;
}

std::optional<double> decode(std::string_view type, const std::vector<std::uint8_t>& bytes) {
    if (type == "flt ") {
        if (bytes.size() != 4) {
            return std::nullopt;
        }
        float value = 0;
        std::memcpy(&value, bytes.data(), 4);
        return static_cast<double>(value);
    }
    if (type == "ui8 " || type == "ui16" || type == "ui32") {
        if (bytes.empty() || bytes.size() > 8) {
            return std::nullopt;
        }
        std::uint64_t value = 0;
        for (std::uint8_t b : bytes) {
            value = value * 256 + b;
        }
        return static_cast<double>(value);
    }
    if (bytes.size() != 2) {
        return std::nullopt;
    }
    auto raw = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
    if (type == "sp78") {
        return static_cast<double>(static_cast<std::int16_t>(raw)) / 256.0;
    }
    if (type == "fpe2") {
        return static_cast<double>(raw) / 4.0;
    }
    return std::nullopt;
}

}  // namespace tv::Smc
