#pragma once

#include <optional>
#include <string>
#include <vector>

#include "JsonResult.h"
#include "platform/process/ProcessLauncher.h"
#include "platform/time/Sleeper.h"

namespace memotitler {

// The operating-system services a run uses, passed in so tests can replace them.
struct Services {
  platform::process::ProcessLauncher& process;
  platform::time::Sleeper& sleeper;
  unsigned userId = 0;
};

// How a run ends: the usage line on standard error, or one record on
// standard output; and the exit status.
struct Outcome {
  bool usageError = false;
  std::optional<JsonResult> record;
  int status = 0;
};

inline constexpr const char* kNotAuthorizedMessage =
    "Accessibility permission required. System Settings \u2192 Privacy & Security \u2192 "
    "Accessibility.";

JsonResult notAuthorizedRecord();

// Parses the arguments (without the program name) and runs the chosen mode:
// session check, park, restore, rename.
Outcome runMemotitler(const std::vector<std::string>& args, Services& services);

}  // namespace memotitler
