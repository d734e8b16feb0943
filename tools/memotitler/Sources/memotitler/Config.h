#pragma once

#include <optional>
#include <string>
#include <vector>

namespace memotitler {

// The parsed command line.
struct Config {
  std::optional<std::string> findTitle;
  std::optional<std::string> newTitle;
  std::optional<double> durationSeconds;
  bool hiddenFirst = true;
  bool skipLaunch = false;
  bool sessionCheck = false;
  bool prepareOffscreen = false;
  bool restoreWindow = false;
};

inline constexpr const char* kModeUsage =
    "usage: memotitler --session-check | --prepare-offscreen | --restore-window | "
    "--find TITLE --new-title TITLE";
inline constexpr const char* kRenameUsage =
    "usage: memotitler --find TITLE --new-title TITLE [--date ISO] [--duration SEC]";

// Arguments without the program name. Nothing when they do not parse.
std::optional<Config> parseArgs(const std::vector<std::string>& args);

}  // namespace memotitler
