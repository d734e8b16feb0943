#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "Failure.h"
#include "Transcribe.h"

namespace voxtext {

inline constexpr const char* kUsage = "Usage: voxtext <audio-file>";

// How a run ends: the transcript document to write, or a failure.
struct Outcome {
  std::optional<nlohmann::json> document;
  std::optional<Failure> failure;
};

// The whole run short of writing: `arguments` is the process's argument
// vector, program name first. Exactly one operand, a path used verbatim and
// resolved against the working directory; something must exist there (a
// directory passes); the system must pass the version gate; then the file is
// transcribed.
Outcome runVoxtext(const std::vector<std::string>& arguments, const Services& services);

}  // namespace voxtext
