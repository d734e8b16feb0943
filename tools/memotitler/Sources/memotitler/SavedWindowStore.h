#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "platform/accessibility/Accessibility.h"

namespace memotitler {

// Where the Voice Memos window stood before it was parked, and which Voice
// Memos process it belongs to.
struct SavedWindow {
  platform::accessibility::Point position;
  std::int32_t processId = 0;
  bool operator==(const SavedWindow&) const = default;
};

// Keeps one SavedWindow in a small per-user file, so that a later run (a
// restore) finds what an earlier one (a park, a visible rename) saved.
class SavedWindowStore {
 public:
  // `file`: the state file; nothing when there is no place for it, in which
  // case nothing is ever saved or found. The file's directory is used only
  // when it is a real directory owned by `userId` and closed to everyone else;
  // a save creates it (mode 0700) when it is missing.
  SavedWindowStore(std::optional<std::filesystem::path> file, unsigned userId)
      : file_(std::move(file)), userId_(userId) {}

  // What the file holds. An absent, unreadable or malformed file, or one
  // whose coordinates are not finite, counts as nothing saved.
  std::optional<SavedWindow> load() const;

  // Replaces the file's content atomically (a temporary file renamed over
  // it), readable and writable by the owner alone. False when it could not.
  bool save(const SavedWindow& saved) const;

  // Removes the file, if there is one.
  void clear() const;

 private:
  bool directoryIsPrivate() const;

  std::optional<std::filesystem::path> file_;
  unsigned userId_;
};

// The state file's place: in `runtimeDirectory` ($XDG_RUNTIME_DIR) when that
// names a directory owned by `userId` and closed to everyone else; else in a
// directory memotitler-<uid> under `tempDirectory`. Nothing when neither is
// given. Creates nothing.
std::optional<std::filesystem::path> savedWindowFile(const char* runtimeDirectory,
                                                     const std::filesystem::path& tempDirectory,
                                                     unsigned userId);

}  // namespace memotitler
