#include "JsonResult.h"

#include <nlohmann/json.hpp>

namespace memotitler {

std::optional<std::string> encodeJson(const JsonResult& result) {
  // nlohmann's default object keeps its keys sorted.
  nlohmann::json object = nlohmann::json::object();
  object["result"] = result.result;
  if (result.valueAfter) object["valueAfter"] = *result.valueAfter;
  if (result.hiddenWriteWorked) object["hiddenWriteWorked"] = *result.hiddenWriteWorked;
  if (result.locked) object["locked"] = *result.locked;
  if (result.error) object["error"] = *result.error;
  try {
    return object.dump();
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
}

void printJson(const JsonResult& result, std::FILE* out) {
  const auto text = encodeJson(result);
  if (!text) return;
  std::fwrite(text->data(), 1, text->size(), out);
  std::fputc('\n', out);
  std::fflush(out);
}

}  // namespace memotitler
