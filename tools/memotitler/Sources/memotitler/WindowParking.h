#pragma once

#include <cstdint>

#include "Config.h"
#include "Run.h"

namespace memotitler {

// Far outside any screen: where a parked window goes.
inline constexpr platform::accessibility::Point offscreenWindowPosition{3200.0, 2400.0};

inline constexpr const char* kWindowNotAvailable = "VoiceMemos window not available";

// What is saved for Voice Memos process `processId`. A position saved for
// another process is stale: it is removed and counts as nothing.
std::optional<platform::accessibility::Point> savedWindowPosition(const SavedWindowStore& store,
                                                                  std::int32_t processId);

// Saves the window's current position for `processId` unless one is saved
// for it already (a position that cannot be read saves nothing), then moves
// the window to offscreenWindowPosition.
void parkWindow(Services& services, const platform::accessibility::Element& window,
                std::int32_t processId);

// Puts a window back where it stood when first parked by `processId`, and
// forgets that place. Without a saved place it writes nothing.
void restoreWindow(Services& services, const platform::accessibility::Element& window,
                   std::int32_t processId);

// The --prepare-offscreen and --restore-window modes (park wins when both are
// asked for).
Outcome runWindowParking(const Config& config, Services& services);

}  // namespace memotitler
