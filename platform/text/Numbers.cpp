#include "Numbers.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace platform::text {
namespace {

locale_t cLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

bool isLeadingSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::optional<double> parseCDouble(std::string_view text) {
  if (text.empty() || isLeadingSpace(text.front())) return std::nullopt;
  // strtod needs a terminated string; an embedded NUL would end the number
  // early and then count as a character left over.
  const std::string copy(text);
  char* end = nullptr;
  const double value = strtod_l(copy.c_str(), &end, cLocale());
  if (end != copy.c_str() + copy.size()) return std::nullopt;
  return value;
}

std::optional<std::int64_t> parseDecimalInt64(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  // Parse the digits with the sign in front so that INT64_MIN fits.
  std::string digits;
  digits.reserve(text.size() + 1);
  if (negative) digits.push_back('-');
  digits.append(text);
  std::int64_t value = 0;
  const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || ptr != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace platform::text
