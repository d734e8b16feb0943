#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace memotitler {

// The outcome record of every mode; absent fields are left out of the JSON.
struct JsonResult {
  std::string result;
  std::optional<std::string> valueAfter;
  std::optional<bool> hiddenWriteWorked;
  std::optional<bool> locked;
  std::optional<std::string> error;
};

// One compact JSON object with sorted keys, without the line feed. Nothing
// when the record cannot be encoded (a text that is not UTF-8).
std::optional<std::string> encodeJson(const JsonResult& result);

// Writes the record and a line feed, and flushes. Writes nothing when the
// record cannot be encoded.
void printJson(const JsonResult& result, std::FILE* out = stdout);

}  // namespace memotitler
