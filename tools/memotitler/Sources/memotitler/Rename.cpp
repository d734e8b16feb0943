#include "Rename.h"

#include "VoiceMemos.h"

namespace memotitler {

Outcome runRename(const Config&, Services& services) {
  if (auto refused = ensureAccessibility(services.accessibility)) return *refused;
  return Outcome{.record = JsonResult{.result = "failed", .error = "VoiceMemos process not found"},
                 .status = 1};
}

}  // namespace memotitler
