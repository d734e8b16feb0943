#pragma once

#include <optional>
#include <string>
#include <vector>

#include "JsonResult.h"
#include "SavedWindowStore.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/process/ProcessLauncher.h"
#include "platform/time/Sleeper.h"
#include "platform/workspace/Workspace.h"

namespace memotitler {

// The operating-system services a run uses, passed in so tests can replace them.
struct Services {
  platform::process::ProcessLauncher& process;
  platform::time::Sleeper& sleeper;
  platform::accessibility::Accessibility& accessibility;
  platform::workspace::Workspace& workspace;
  SavedWindowStore& savedWindow;  // the parked window's former place, kept between runs
  unsigned userId = 0;
};

// How a run ends: the usage line on standard error, or one record on
// standard output; and the exit status.
struct Outcome {
  bool usageError = false;
  std::optional<JsonResult> record;
  int status = 0;
};

// Parses the arguments (without the program name) and runs the chosen mode:
// session check, park, restore, rename.
Outcome runMemotitler(const std::vector<std::string>& args, Services& services);

}  // namespace memotitler
