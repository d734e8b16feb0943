#pragma once

#include "Config.h"
#include "Run.h"

namespace memotitler {

// The rename mode: finds the one row titled config.findTitle (narrowed by
// config.durationSeconds), writes config.newTitle into it, first with Voice
// Memos hidden and then with its window parked, and reports the outcome.
Outcome runRename(const Config& config, Services& services);

}  // namespace memotitler
