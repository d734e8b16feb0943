#include "Run.h"

#include "Config.h"
#include "SessionLock.h"

namespace memotitler {

JsonResult notAuthorizedRecord() {
  return JsonResult{.result = "not_authorized", .error = kNotAuthorizedMessage};
}

Outcome runMemotitler(const std::vector<std::string>& args, Services& services) {
  const auto config = parseArgs(args);
  if (!config) return Outcome{.usageError = true, .status = 2};
  if (config->sessionCheck) {
    const bool locked = isSessionLocked(services.process, services.userId);
    return Outcome{.record = JsonResult{.result = "ok", .locked = locked}, .status = 0};
  }
  // Parking and rename need the accessibility interface, which this build
  // does not reach yet: they answer as a machine without the permission.
  return Outcome{.record = notAuthorizedRecord(), .status = 1};
}

}  // namespace memotitler
