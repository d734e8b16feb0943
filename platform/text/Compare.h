#pragma once

#include <string_view>

namespace platform::text {

// Comparisons of UTF-8 texts as Unicode text rather than as bytes. Ill-formed
// UTF-8 reads as U+FFFD.

// True when both are the same Unicode text: canonically equivalent sequences
// (precomposed "é" and "e" + combining acute) count as equal.
bool canonicallyEqual(std::string_view a, std::string_view b);

// True when `text` begins with `prefix` under canonical equivalence, and the
// prefix ends between two characters of `text` (so "Memo" is not a prefix of
// "Memó": the accent belongs to the o).
bool canonicallyStartsWith(std::string_view text, std::string_view prefix);

// True when `text` contains `needle` ignoring case, by Unicode's default full
// case folding (so "SEC", "Sec" and "sec" match, and "ß" matches "SS") and
// canonical equivalence.
bool containsIgnoringCase(std::string_view text, std::string_view needle);

}  // namespace platform::text
