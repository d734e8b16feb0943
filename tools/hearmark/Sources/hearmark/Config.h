#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hearmark {

// The parsed command line.
struct Config {
  std::string path;     // as typed
  double floor = 0.05;  // lowest confidence reported
  std::int64_t top = 8; // most labels reported per window; never negative
};

inline constexpr const char* kUsage =
    "Usage: hearmark <audio-file> [--floor 0.05] [--top 8]\n"
    "       hearmark --list-labels\n";

// Arguments without the program name: the path, then "--floor" and "--top"
// pairs in any order, the last one winning. Nothing when they do not parse,
// a negative "--top" included.
std::optional<Config> parseArgs(const std::vector<std::string>& args);

}  // namespace hearmark
