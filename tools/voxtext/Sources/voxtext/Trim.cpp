#include "Trim.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace voxtext {

bool isWhitespaceOrNewline(char32_t c) {
  const auto code = static_cast<UChar32>(c);
  if (code == 0x09 || (code >= 0x0A && code <= 0x0D) || code == 0x85) return true;
  // Space separators (Zs), line and paragraph separators (Zl, Zp).
  return (U_GET_GC_MASK(code) & U_GC_Z_MASK) != 0 || u_isUWhiteSpace(code);
}

std::string trimmed(std::string_view utf8) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
  const auto length = static_cast<int32_t>(utf8.size());

  int32_t begin = 0;
  while (begin < length) {
    int32_t next = begin;
    UChar32 c = 0;
    U8_NEXT(bytes, next, length, c);
    if (c < 0 || !isWhitespaceOrNewline(static_cast<char32_t>(c))) break;
    begin = next;
  }
  int32_t end = length;
  while (end > begin) {
    int32_t previous = end;
    UChar32 c = 0;
    U8_PREV(bytes, 0, previous, c);
    if (c < 0 || !isWhitespaceOrNewline(static_cast<char32_t>(c))) break;
    end = previous;
  }
  return std::string(utf8.substr(static_cast<std::size_t>(begin),
                                 static_cast<std::size_t>(end - begin)));
}

}  // namespace voxtext
