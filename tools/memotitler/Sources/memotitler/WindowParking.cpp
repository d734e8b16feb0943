#include "WindowParking.h"

#include "AxRead.h"
#include "VoiceMemos.h"

namespace memotitler {

std::optional<platform::accessibility::Point> savedWindowPosition(const SavedWindowStore& store,
                                                                  std::int32_t processId) {
  const auto saved = store.load();
  if (!saved) return std::nullopt;
  if (saved->processId != processId) {
    store.clear();
    return std::nullopt;
  }
  return saved->position;
}

void parkWindow(Services& services, const platform::accessibility::Element& window,
                std::int32_t processId) {
  if (!savedWindowPosition(services.savedWindow, processId)) {
    if (const auto position = axCopyPoint(services.accessibility, window, "AXPosition")) {
      services.savedWindow.save(SavedWindow{*position, processId});
    }
  }
  services.accessibility.setAttributeValue(window, "AXPosition", offscreenWindowPosition);
}

void restoreWindow(Services& services, const platform::accessibility::Element& window,
                   std::int32_t processId) {
  if (const auto position = savedWindowPosition(services.savedWindow, processId)) {
    services.accessibility.setAttributeValue(window, "AXPosition", *position);
    services.savedWindow.clear();
  }
}

Outcome runWindowParking(const Config& config, Services& services) {
  if (auto refused = ensureAccessibility(services.accessibility)) return *refused;
  const Outcome unavailable{.record = JsonResult{.result = "failed", .error = kWindowNotAvailable},
                            .status = 1};
  const auto pid = findOrLaunchVoiceMemos(services, config.skipLaunch);
  if (!pid) return unavailable;
  const auto application = services.accessibility.applicationElement(*pid);
  if (!application) return unavailable;
  const auto windows = axCopyArray(services.accessibility, application, "AXWindows");
  if (windows.empty()) return unavailable;
  if (config.prepareOffscreen) {
    parkWindow(services, windows.front(), *pid);
  } else {
    restoreWindow(services, windows.front(), *pid);
  }
  return Outcome{.record = JsonResult{.result = "ok"}, .status = 0};
}

}  // namespace memotitler
