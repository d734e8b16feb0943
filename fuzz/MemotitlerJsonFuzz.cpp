// memotitler's record writer fed arbitrary texts: a record of valid UTF-8
// texts comes out as one line that reads back to the same record; any other
// record is refused whole.
#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include "FuzzInput.h"
#include "JsonResult.h"
#include "platform/text/Utf8.h"

namespace {

std::optional<std::string> maybeText(FuzzedDataProvider& input) {
  if (!input.ConsumeBool()) return std::nullopt;
  return input.ConsumeRandomLengthString();
}

std::optional<bool> maybeFlag(FuzzedDataProvider& input) {
  if (!input.ConsumeBool()) return std::nullopt;
  return input.ConsumeBool();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  memotitler::JsonResult record;
  record.hiddenWriteWorked = maybeFlag(input);
  record.locked = maybeFlag(input);
  record.valueAfter = maybeText(input);
  record.error = maybeText(input);
  record.result = input.ConsumeRemainingBytesAsString();

  bool valid = platform::text::isValidUtf8(record.result);
  for (const auto& text : {record.valueAfter, record.error}) {
    valid = valid && (!text || platform::text::isValidUtf8(*text));
  }

  const auto line = memotitler::encodeJson(record);
  fuzz::check(line.has_value() == valid, "exactly the records of valid UTF-8 texts encode");
  if (!line) return 0;
  fuzz::check(line->find('\n') == std::string::npos, "one line");
  const nlohmann::json back = nlohmann::json::parse(*line);
  fuzz::check(back.dump() == *line, "compact with sorted keys");
  fuzz::check(back.at("result") == record.result, "result reads back");
  // A present field reads back to its value; an absent one is left out.
  const auto readsBack = [&back](const char* key, const auto& field) {
    fuzz::check(back.contains(key) == field.has_value() && (!field || back[key] == *field), key);
  };
  readsBack("valueAfter", record.valueAfter);
  readsBack("error", record.error);
  readsBack("locked", record.locked);
  readsBack("hiddenWriteWorked", record.hiddenWriteWorked);
  fuzz::check(back.size() == 1 + record.valueAfter.has_value() + record.error.has_value() +
                                 record.locked.has_value() + record.hiddenWriteWorked.has_value(),
              "no other keys");
  return 0;
}
