#pragma once

#include <string_view>

#include "platform/process/ProcessLauncher.h"

namespace memotitler {

// True when the ioreg output holds the locked flag in its exact form.
bool ioregSaysLocked(std::string_view output);

// Whether the screen of the console session is locked. Asks ioreg; where ioreg
// cannot be started, asks the login manager about this user's graphical
// session. Every failure answers false.
bool isSessionLocked(platform::process::ProcessLauncher& launcher, unsigned userId);

}  // namespace memotitler
