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
  fuzz::check(back.contains("valueAfter") == record.valueAfter.has_value() &&
                  (!record.valueAfter || back["valueAfter"] == *record.valueAfter),
              "valueAfter reads back");
  fuzz::check(back.contains("error") == record.error.has_value() &&
                  (!record.error || back["error"] == *record.error),
              "error reads back");
  fuzz::check(back.contains("locked") == record.locked.has_value() &&
                  (!record.locked || back["locked"] == *record.locked),
              "locked reads back");
  fuzz::check(back.contains("hiddenWriteWorked") == record.hiddenWriteWorked.has_value() &&
                  (!record.hiddenWriteWorked || back["hiddenWriteWorked"] == *record.hiddenWriteWorked),
              "hiddenWriteWorked reads back");
  fuzz::check(back.size() == 1 + record.valueAfter.has_value() + record.error.has_value() +
                                 record.locked.has_value() + record.hiddenWriteWorked.has_value(),
              "no other keys");
  return 0;
}
