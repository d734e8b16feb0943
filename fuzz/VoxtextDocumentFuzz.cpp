// voxtext's transcript document fed arbitrary word texts, times and
// confidences: the encoded line reads back to the document, its "text" is
// its segments' texts joined by line feeds, and it holds no number that is
// not finite; a document with text that is not UTF-8 is refused whole.
#include <cmath>

#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include "Document.h"
#include "FuzzInput.h"
#include "platform/text/Utf8.h"

namespace {

using nlohmann::json;
namespace speech = platform::speech;
namespace time = platform::time;

time::MediaTime anyTime(FuzzedDataProvider& input) {
  return time::MediaTime::make(input.ConsumeIntegral<std::int64_t>(),
                               input.ConsumeIntegral<std::int32_t>());
}

void checkNumbers(const json& value) {
  if (value.is_number_float()) fuzz::check(std::isfinite(value.get<double>()), "finite numbers");
  if (value.is_structured()) {
    for (const auto& item : value) checkNumbers(item);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  bool valid = true;
  std::vector<speech::Result> finals(input.ConsumeIntegralInRange<std::size_t>(0, 4));
  for (speech::Result& result : finals) {
    result.range = {anyTime(input), anyTime(input)};
    const std::size_t runs = input.ConsumeIntegralInRange<std::size_t>(0, 6);
    for (std::size_t i = 0; i < runs; ++i) {
      speech::Run run;
      run.text = input.ConsumeRandomLengthString(64);
      valid = valid && platform::text::isValidUtf8(run.text);
      if (input.ConsumeBool()) run.confidence = input.ConsumeFloatingPoint<double>();
      if (input.ConsumeBool()) run.timeRange = time::MediaTimeRange{anyTime(input), anyTime(input)};
      result.text.runs.push_back(std::move(run));
    }
  }
  const std::string locale = input.ConsumeRandomLengthString(16);
  const std::string build = input.ConsumeRemainingBytesAsString();
  valid = valid && platform::text::isValidUtf8(locale) && platform::text::isValidUtf8(build);

  json document;
  try {
    document = voxtext::output(finals, locale, [&] { return build; });
  } catch (const std::exception& e) {
    fuzz::fail("building the document threw");
  }
  const auto line = voxtext::encode(document);
  if (valid) fuzz::check(line.has_value(), "a document of UTF-8 texts encodes");
  if (!line) return 0;
  fuzz::check(platform::text::isValidUtf8(*line), "the line is UTF-8");
  fuzz::check(line->find('\n') == std::string::npos, "one line");
  const json back = json::parse(*line);
  fuzz::check(back == document, "the line reads back to the document");
  fuzz::check(back.at("locale") == locale && back.at("macOSBuild") == build, "texts verbatim");
  std::string joined;
  for (const json& segment : back.at("results")) {
    if (!joined.empty()) joined += '\n';
    joined += segment.at("text").get<std::string>();
    fuzz::check(!segment.at("text").get<std::string>().empty(), "no blank segment");
  }
  fuzz::check(back.at("text") == joined, "the text is the segments' texts");
  fuzz::check(back.at("results").empty() ? back.at("firstFinalizedText").is_null()
                                         : back.at("firstFinalizedText") == back["results"][0]["text"],
              "firstFinalizedText is the first segment's text");
  checkNumbers(back);
  return 0;
}
