#include "VoiceMemos.h"

#include <string>

namespace memotitler {
namespace {

constexpr const char* kBundleIdentifier = "com.apple.VoiceMemos";
constexpr const char* kBundleFragment = "voice-memos";
constexpr const char* kLocalizedName = "Voice Memos";
constexpr const char* kOpenTool = "/usr/bin/open";

bool isVoiceMemos(const platform::workspace::RunningApplication& application) {
  const std::string bundle = application.bundleIdentifier.value_or("");
  return bundle.find(kBundleFragment) != std::string::npos || bundle == kBundleIdentifier ||
         application.localizedName.value_or("") == kLocalizedName;
}

}  // namespace

JsonResult notAuthorizedRecord() {
  return JsonResult{.result = "not_authorized", .error = kNotAuthorizedMessage};
}

std::optional<Outcome> ensureAccessibility(platform::accessibility::Accessibility& ax) {
  if (ax.isProcessTrusted()) return std::nullopt;
  return Outcome{.record = notAuthorizedRecord(), .status = 1};
}

std::optional<std::int32_t> voiceMemosPid(platform::workspace::Workspace& workspace) {
  for (const auto& application : workspace.runningApplications()) {
    if (isVoiceMemos(application)) return application.processIdentifier;
  }
  return std::nullopt;
}

void launchVoiceMemosHidden(Services& services) {
  const platform::workspace::OpenConfiguration hiddenInBackground{
      .activates = false, .hides = true, .createsNewApplicationInstance = false};
  if (const auto location = services.workspace.applicationLocation(kBundleIdentifier)) {
    services.workspace.openApplication(*location, hiddenInBackground);
  } else {
    // Where /usr/bin/open is some other program (Debian's openvt), what it
    // prints must not reach our standard output or error, which carry only
    // our own answer.
    services.process.runAndWait(kOpenTool, {"-gj", "-a", "VoiceMemos"},
                                platform::process::StandardStreams::Discard);
  }
  services.sleeper.sleepFor(1.0);
}

std::optional<std::int32_t> findOrLaunchVoiceMemos(Services& services, bool skipLaunch) {
  if (!skipLaunch && !voiceMemosPid(services.workspace)) launchVoiceMemosHidden(services);
  return voiceMemosPid(services.workspace);
}

}  // namespace memotitler
