#include "Rename.h"

#include "AxRead.h"
#include "Commit.h"
#include "RowSearch.h"
#include "VoiceMemos.h"
#include "WindowParking.h"
#include "platform/text/Compare.h"
#include "platform/text/Utf8.h"

namespace memotitler {
namespace {

constexpr int kWindowAttempts = 10;
constexpr double kWindowPause = 0.2;
constexpr int kSearchAttempts = 8;
constexpr double kScrollPause = 0.2;
constexpr double kHiddenPause = 0.2;
constexpr double kParkedPause = 0.1;

Outcome failed(const char* message, int status = 1) {
  return Outcome{.record = JsonResult{.result = "failed", .error = message}, .status = status};
}

Outcome applied(const std::optional<std::string>& valueAfter, bool hidden) {
  return Outcome{.record = JsonResult{.result = "applied",
                                      .valueAfter = valueAfter,
                                      .hiddenWriteWorked = hidden},
                 .status = 0};
}

// The value read back as well-formed UTF-8, and whether it is the new title
// (a value that cannot be read counts as the empty text).
struct ReadBack {
  std::optional<std::string> value;
  bool took = false;
};

ReadBack judge(const std::optional<std::string>& readBack, const std::string& newTitle) {
  ReadBack result;
  if (readBack) result.value = platform::text::toValidUtf8(*readBack);
  result.took = platform::text::canonicallyEqual(result.value.value_or(""), newTitle);
  return result;
}

platform::accessibility::Element firstWindow(Services& services,
                                             const platform::accessibility::Element& application) {
  for (int attempt = 0; attempt < kWindowAttempts; ++attempt) {
    const auto windows = axCopyArray(services.accessibility, application, "AXWindows");
    if (!windows.empty()) return windows.front();
    services.sleeper.sleepFor(kWindowPause);
  }
  return {};
}

}  // namespace

Outcome runRename(const Config& config, Services& services) {
  auto& ax = services.accessibility;
  if (auto refused = ensureAccessibility(ax)) return *refused;
  if (!config.findTitle || !config.newTitle) return failed(kRenameUsage);
  // Titles arrive as bytes; from here on they are well-formed text, so no
  // byte sequence can upset the comparison, the bus or the JSON writer.
  const std::string findTitle = platform::text::toValidUtf8(*config.findTitle);
  const std::string newTitle = platform::text::toValidUtf8(*config.newTitle);

  const auto pid = findOrLaunchVoiceMemos(services, config.skipLaunch);
  if (!pid) return failed("VoiceMemos process not found");
  const auto application = ax.applicationElement(*pid);
  if (!application) return failed("VoiceMemos process not found");

  const auto window = firstWindow(services, application);
  if (!window) return failed("no VoiceMemos window");

  std::optional<MatchCandidate> row;
  for (int attempt = 0; attempt < kSearchAttempts && !row; ++attempt) {
    // A row button and the text field inside it are the same row found twice.
    const auto candidates =
        distinctFields(findMatches(ax, window, findTitle, config.durationSeconds));
    if (candidates.size() > 1) {
      return Outcome{
          .record = JsonResult{.result = "ambiguous", .error = "multiple rows matched"},
          .status = 0};
    }
    if (candidates.size() == 1) {
      row = candidates.front();
    } else {
      scrollDown(ax, window);
      services.sleeper.sleepFor(kScrollPause);
    }
  }
  if (!row) {
    return Outcome{
        .record = JsonResult{.result = "not_found", .error = "recording not found in UI"},
        .status = 0};
  }

  if (config.hiddenFirst) {
    ax.setAttributeValue(application, "AXHidden", true);
    services.sleeper.sleepFor(kHiddenPause);
    const auto hidden =
        judge(commitRename(ax, services.sleeper, row->field, row->button, newTitle), newTitle);
    if (hidden.took) {
      ax.setAttributeValue(application, "AXHidden", false);
      return applied(hidden.value, true);
    }
  }

  ax.setAttributeValue(application, "AXHidden", false);
  parkWindow(services, window, *pid);
  services.sleeper.sleepFor(kParkedPause);
  const auto parked =
      judge(commitRename(ax, services.sleeper, row->field, row->button, newTitle), newTitle);
  if (parked.took) return applied(parked.value, false);
  return failed("AX value write did not stick");
}

}  // namespace memotitler
