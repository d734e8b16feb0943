#pragma once

#include <string>
#include <string_view>

namespace platform::speech {

// A language and, when known, a region: "en" and "US" for American English.
// Both are BCP 47 subtags in their usual case (lower-case language, upper-case
// region); an unreadable language is "und".
struct Locale {
  std::string language;
  std::string region;

  bool operator==(const Locale&) const = default;
};

// The BCP 47 identifier: "en-US", or the bare language when there is no region.
std::string identifier(const Locale& locale);

// The locale named by one POSIX locale value such as "de_DE.UTF-8@euro": its
// language and territory; the code set and the modifier are dropped. Empty,
// "C" and "POSIX" (with any code set, as in "C.UTF-8") name American English.
Locale localeFromPosix(std::string_view value);

// The user's locale preference in the order POSIX gives it for messages: the
// first non-empty of LC_ALL, LC_MESSAGES and LANG. Null stands for unset.
// Whether the C library has that locale installed does not matter.
Locale currentLocaleFrom(const char* lcAll, const char* lcMessages, const char* lang);

}  // namespace platform::speech
