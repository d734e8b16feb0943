#pragma once

#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "Failure.h"
#include "platform/speech/Result.h"

namespace voxtext {

// The word objects of one result: one per run with visible characters, in
// text order, with "text" (trimmed) and, when finite, "confidence", "start"
// and "end" in seconds.
nlohmann::json words(const platform::speech::Result& result);

// The transcript document of the final results: "text", "locale",
// "macOSBuild" (looked up now), "firstFinalizedText" and "results", one
// segment per result whose text is not blank.
nlohmann::json output(const std::vector<platform::speech::Result>& finals,
                      const std::string& locale, const std::function<std::string()>& macOSBuild);

// The document as one compact line with sorted keys; none when it cannot be
// encoded (text that is not UTF-8).
std::optional<std::string> encode(const nlohmann::json& document);

// Writes the document and a newline to `out` and flushes it; a failure when
// it cannot be encoded or written. Nothing is written on failure to encode.
std::optional<Failure> emit(const nlohmann::json& document, std::FILE* out);

}  // namespace voxtext
