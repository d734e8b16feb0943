// A desktop, child processes, pauses and a state directory, all in memory or
// in a temporary directory, wired into Services.
#pragma once

#include "platform/testing/TemporaryDirectory.h"

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "Run.h"
#include "SavedWindowStore.h"
#include "platform/testing/FakeProcessLauncher.h"
#include "platform/testing/MemoryDesktop.h"
#include "platform/testing/RecordingSleeper.h"

namespace memotitler::testing {

// A fresh private directory, removed with everything in it at the end.
using TempDir = platform::testing::TemporaryDirectory;

inline constexpr std::int32_t kVoiceMemosPid = 4242;

struct Harness {
  platform::testing::MemoryDesktop desktop;
  platform::testing::FakeProcessLauncher process;
  platform::testing::RecordingSleeper sleeper;
  TempDir stateDirectory;
  SavedWindowStore savedWindow{stateDirectory.path() / "window.json", getuid()};
  Services services{process, sleeper, desktop, desktop, savedWindow, getuid()};

  // Voice Memos running with one window.
  platform::testing::Node addVoiceMemos(const platform::testing::Node& window,
                                        std::int32_t pid = kVoiceMemosPid) {
    return desktop.addApplication({"com.apple.VoiceMemos", "Voice Memos", pid}, {window});
  }

  Outcome run(const std::vector<std::string>& args) { return runMemotitler(args, services); }
};

}  // namespace memotitler::testing
