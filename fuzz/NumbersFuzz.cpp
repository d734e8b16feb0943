// The two number rules against independent readings: parseCDouble agrees
// with strtod in the C locale over the whole text, parseDecimalInt64 with a
// digit-by-digit reading in a wider type.
#include <clocale>
#include <cmath>
#include <cstring>
#include <locale.h>

#include "FuzzInput.h"
#include "platform/text/Numbers.h"

namespace {

std::optional<double> strtodWhole(const std::string& text) {
  if (text.empty() || std::memchr(text.data(), '\0', text.size()) != nullptr) return std::nullopt;
  const unsigned char first = static_cast<unsigned char>(text.front());
  if (first == ' ' || (first >= '\t' && first <= '\r')) return std::nullopt;
  static locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  char* end = nullptr;
  const double value = strtod_l(text.c_str(), &end, c);
  if (end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::int64_t> decimalWhole(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  __int128 value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > (static_cast<__int128>(1) << 63)) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT64_MAX || value < INT64_MIN) return std::nullopt;
  return static_cast<std::int64_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const auto parsed = platform::text::parseCDouble(text);
  const auto expected = strtodWhole(text);
  fuzz::check(parsed.has_value() == expected.has_value(), "parseCDouble accepts what strtod does");
  if (parsed) {
    fuzz::check((std::isnan(*parsed) && std::isnan(*expected)) ||
                    std::memcmp(&*parsed, &*expected, sizeof(double)) == 0,
                "parseCDouble reads the value strtod reads");
  }

  fuzz::check(platform::text::parseDecimalInt64(text) == decimalWhole(text),
              "parseDecimalInt64 reads whole signed decimals within 64 bits");
  return 0;
}
