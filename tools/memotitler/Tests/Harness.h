// A desktop, child processes, pauses and a state directory, all in memory or
// in a temporary directory, wired into Services.
#pragma once

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
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "memotitler-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

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
