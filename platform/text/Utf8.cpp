#include "Utf8.h"

#include <unicode/utf8.h>

#include <cstdint>

namespace platform::text {

bool isValidUtf8(std::string_view bytes) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto length = static_cast<std::int32_t>(bytes.size());
  if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return false;
  std::int32_t i = 0;
  while (i < length) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

std::string toValidUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  // Work in chunks that fit ICU's 32-bit indices; a sequence is at most four
  // bytes, so a chunk boundary can only split one, which then counts as invalid
  // only if it really is: chunks end on a lead byte boundary.
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t chunk = std::min<std::size_t>(bytes.size() - pos, 1u << 30);
    if (pos + chunk < bytes.size()) {
      while (chunk > 0 && (s[pos + chunk] & 0xC0) == 0x80) --chunk;
    }
    const std::uint8_t* base = s + pos;
    const auto length = static_cast<std::int32_t>(chunk);
    std::int32_t i = 0;
    while (i < length) {
      const std::int32_t start = i;
      UChar32 c;
      U8_NEXT(base, i, length, c);
      if (c < 0) {
        out.append("\xEF\xBF\xBD");
      } else {
        out.append(reinterpret_cast<const char*>(base + start), static_cast<std::size_t>(i - start));
      }
    }
    pos += chunk;
  }
  return out;
}

}  // namespace platform::text
