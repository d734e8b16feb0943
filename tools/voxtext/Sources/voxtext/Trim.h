#pragma once

#include <string>
#include <string_view>

namespace voxtext {

// True for the whitespace-and-newline set: spaces and tabs, the Unicode space
// separators, line and paragraph separators, U+000A to U+000D and U+0085.
bool isWhitespaceOrNewline(char32_t c);

// The UTF-8 text without its leading and trailing whitespace and newlines;
// whitespace inside is kept.
std::string trimmed(std::string_view utf8);

}  // namespace voxtext
