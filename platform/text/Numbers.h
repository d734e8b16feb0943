#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::text {

// Reads a whole argument as one floating-point number in the notation the C
// library's strtod accepts in the "C" locale (decimal, exponent, hexadecimal,
// infinity and NaN forms, optional sign). Rejects an empty value, a value that
// starts with white space, and any character left over after the number.
// A magnitude too large for a double reads as an infinity, as strtod gives it.
std::optional<double> parseCDouble(std::string_view text);

// Reads a whole argument as one decimal integer: an optional '+' or '-', then
// one or more digits, nothing else, within the signed 64-bit range.
std::optional<std::int64_t> parseDecimalInt64(std::string_view text);

}  // namespace platform::text
