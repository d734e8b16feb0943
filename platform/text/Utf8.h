#pragma once

#include <string>
#include <string_view>

namespace platform::text {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view bytes);

// Decodes bytes as UTF-8, replacing every ill-formed sequence by U+FFFD, and
// returns well-formed UTF-8. Valid input comes back unchanged.
std::string toValidUtf8(std::string_view bytes);

}  // namespace platform::text
