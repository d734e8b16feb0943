#include "Locale.h"

#include <unicode/uloc.h>

#include <array>

namespace platform::speech {
namespace {

const Locale kDefault{"en", "US"};

}  // namespace

std::string identifier(const Locale& locale) {
  if (locale.region.empty()) return locale.language;
  return locale.language + "-" + locale.region;
}

Locale localeFromPosix(std::string_view value) {
  // "language[_territory][.codeset][@modifier]"
  const std::string_view name = value.substr(0, value.find_first_of(".@"));
  if (name.empty() || name == "C" || name == "POSIX") return kDefault;

  // ICU reads the POSIX form and gives the subtags in their canonical case;
  // it also maps retired codes (iw to he). Anything it cannot read as a
  // language becomes "und", which no transcriber supports.
  const std::string posix(name);
  std::array<char, ULOC_FULLNAME_CAPACITY> tag{};
  UErrorCode status = U_ZERO_ERROR;
  uloc_toLanguageTag(posix.c_str(), tag.data(), static_cast<int32_t>(tag.size()), false, &status);
  if (U_FAILURE(status)) return Locale{"und", ""};

  std::array<char, ULOC_FULLNAME_CAPACITY> id{};
  std::array<char, ULOC_LANG_CAPACITY> language{};
  std::array<char, ULOC_COUNTRY_CAPACITY> country{};
  status = U_ZERO_ERROR;
  uloc_forLanguageTag(tag.data(), id.data(), static_cast<int32_t>(id.size()), nullptr, &status);
  uloc_getLanguage(id.data(), language.data(), static_cast<int32_t>(language.size()), &status);
  uloc_getCountry(id.data(), country.data(), static_cast<int32_t>(country.size()), &status);
  if (U_FAILURE(status) || language[0] == '\0') return Locale{"und", ""};
  return Locale{language.data(), country.data()};
}

Locale currentLocaleFrom(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value != nullptr && value[0] != '\0') return localeFromPosix(value);
  }
  return kDefault;
}

}  // namespace platform::speech
