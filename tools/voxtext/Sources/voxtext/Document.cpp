#include "Document.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "Trim.h"
#include "platform/text/Utf8.h"

namespace voxtext {
namespace {

using nlohmann::json;

// Non-finite numbers never enter the document: the key is left out instead.
void setIfFinite(json& object, const char* key, double value) {
  if (std::isfinite(value)) object[key] = value;
}

}  // namespace

json words(const platform::speech::Result& result) {
  json list = json::array();
  for (const platform::speech::Run& run : result.text.runs) {
    std::string text = trimmed(run.text);
    if (text.empty()) continue;
    json word = json::object();
    word["text"] = std::move(text);
    if (run.confidence) setIfFinite(word, "confidence", *run.confidence);
    if (run.timeRange) {
      setIfFinite(word, "start", run.timeRange->startSeconds());
      setIfFinite(word, "end", run.timeRange->endSeconds());
    }
    list.push_back(std::move(word));
  }
  return list;
}

json output(const std::vector<platform::speech::Result>& finals, const std::string& locale,
            const std::function<std::string()>& macOSBuild) {
  json segments = json::array();
  std::vector<std::string> texts;
  for (const platform::speech::Result& result : finals) {
    std::string text = trimmed(result.text.characters());
    if (text.empty()) continue;
    json segment = json::object();
    segment["text"] = text;
    segment["words"] = words(result);
    setIfFinite(segment, "start", result.range.startSeconds());
    setIfFinite(segment, "end", result.range.endSeconds());
    segments.push_back(std::move(segment));
    texts.push_back(std::move(text));
  }

  std::string all;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) all += '\n';
    all += texts[i];
  }
  json document = json::object();
  document["text"] = std::move(all);
  document["locale"] = locale;
  document["macOSBuild"] = macOSBuild();
  document["firstFinalizedText"] = texts.empty() ? json(nullptr) : json(texts.front());
  document["results"] = std::move(segments);
  return document;
}

std::optional<std::string> encode(const json& document) {
  // nlohmann's default object keeps its keys sorted; dump() is compact and
  // refuses strings that are not UTF-8.
  try {
    std::string text = document.dump();
    if (!platform::text::isValidUtf8(text)) return std::nullopt;
    return text;
  } catch (const json::exception&) {
    return std::nullopt;
  }
}

std::optional<Failure> emit(const json& document, std::FILE* out) {
  std::optional<std::string> text = encode(document);
  if (!text) return Failure{"Could not encode the transcript as JSON", kUsageOrRunFailure};
  text->push_back('\n');
  errno = 0;
  const bool written = std::fwrite(text->data(), 1, text->size(), out) == text->size();
  if (std::fflush(out) != 0 || !written || std::ferror(out)) {
    // The host reads the transcript from our output: losing it is a failure.
    const int error = errno;
    return Failure{std::string("Could not write the transcript: ") +
                       (error != 0 ? std::strerror(error) : "write error"),
                   kUsageOrRunFailure};
  }
  return std::nullopt;
}

}  // namespace voxtext
