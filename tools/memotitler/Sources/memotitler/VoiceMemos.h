#pragma once

#include <cstdint>
#include <optional>

#include "Run.h"

namespace memotitler {

inline constexpr const char* kNotAuthorizedMessage =
    "Accessibility permission required. System Settings \u2192 Privacy & Security \u2192 "
    "Accessibility.";

JsonResult notAuthorizedRecord();

// Nothing when this process may use the accessibility interface; otherwise
// the "not_authorized" outcome that ends the run.
std::optional<Outcome> ensureAccessibility(platform::accessibility::Accessibility& ax);

// The process id of the first running application, in the workspace's order,
// that is Voice Memos by its bundle identifier or its name.
std::optional<std::int32_t> voiceMemosPid(platform::workspace::Workspace& workspace);

// Starts Voice Memos hidden and in the background, through the workspace
// when it knows the application, else through the open tool; then pauses one
// second. Reports nothing.
void launchVoiceMemosHidden(Services& services);

// Unless `skipLaunch`, starts Voice Memos when it is not running; then looks
// it up (once more when the first lookup ran).
std::optional<std::int32_t> findOrLaunchVoiceMemos(Services& services, bool skipLaunch);

}  // namespace memotitler
