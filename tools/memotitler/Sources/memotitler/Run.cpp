#include "Run.h"

#include "Config.h"
#include "Rename.h"
#include "SessionLock.h"
#include "WindowParking.h"

namespace memotitler {

Outcome runMemotitler(const std::vector<std::string>& args, Services& services) {
  const auto config = parseArgs(args);
  if (!config) return Outcome{.usageError = true, .status = 2};
  if (config->sessionCheck) {
    const bool locked = isSessionLocked(services.process, services.userId);
    return Outcome{.record = JsonResult{.result = "ok", .locked = locked}, .status = 0};
  }
  if (!config->prepareOffscreen && !config->restoreWindow) return runRename(*config, services);
  return runWindowParking(*config, services);
}

}  // namespace memotitler
