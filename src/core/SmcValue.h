#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Values of the System Management Controller found in Macs, as its keys encode them.
namespace tv::Smc {

// A key's four characters packed into 32 bits, the first character most significant.
std::uint32_t keyCode(std::string_view name);

// Decodes a value by its four-character type: "flt " (4 bytes, host-order IEEE float),
// "ui8 "/"ui16"/"ui32" (big-endian, any length), "sp78" (2 bytes, signed, ÷ 256), "fpe2"
// (2 bytes, unsigned, ÷ 4). Absent for any other type or a wrong length.
std::optional<double> decode(std::string_view type, const std::vector<std::uint8_t>& bytes);

}  // namespace tv::Smc
