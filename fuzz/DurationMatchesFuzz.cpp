// durationMatches over arbitrary descriptions and any double. For ASCII
// descriptions the answer is checked against a plain lower-case substring
// search for the rounded number followed by each unit.
#include <cmath>
#include <cstring>

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzInput.h"
#include "RowSearch.h"

namespace {

std::string lowered(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool isAscii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  double expected = 0;
  if (input.ConsumeBool()) {
    expected = input.ConsumeFloatingPoint<double>();
  } else {
    expected = static_cast<double>(input.ConsumeIntegral<std::int32_t>()) / 4.0;
  }
  const std::string description = input.ConsumeRemainingBytesAsString();

  const bool matched = memotitler::durationMatches(description, expected);
  const double rounded = std::round(expected);
  if (!std::isfinite(rounded) || std::fabs(rounded) >= 9223372036854775808.0) {
    fuzz::check(!matched || rounded == -9223372036854775808.0,
                "a duration outside the 64-bit range matches nothing");
    return 0;
  }
  if (isAscii(description) && std::memchr(description.data(), '\0', description.size()) == nullptr) {
    const std::string n = std::to_string(static_cast<long long>(rounded));
    const std::string text = lowered(description);
    bool found = false;
    for (const char* unit : {" sec", " seconds", " min", ":"}) {
      found = found || text.find(n + unit) != std::string::npos;
    }
    fuzz::check(matched == found, "durationMatches finds the number and unit ignoring case");
  }
  return 0;
}
