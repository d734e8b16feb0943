#include "Config.h"

#include "platform/text/Numbers.h"

namespace memotitler {

std::optional<Config> parseArgs(const std::vector<std::string>& args) {
  Config config;
  for (std::size_t i = 0; i < args.size();) {
    const std::string& a = args[i];
    if (a == "--find" || a == "--new-title" || a == "--date" || a == "--duration") {
      if (i + 1 >= args.size()) return std::nullopt;
      const std::string& value = args[i + 1];
      if (a == "--find") {
        config.findTitle = value;
      } else if (a == "--new-title") {
        config.newTitle = value;
      } else if (a == "--duration") {
        const auto seconds = platform::text::parseCDouble(value);
        if (!seconds) return std::nullopt;
        config.durationSeconds = *seconds;
      }
      i += 2;
      continue;
    }
    if (a == "--hidden-first") {
      config.hiddenFirst = true;
    } else if (a == "--no-hidden-first") {
      config.hiddenFirst = false;
    } else if (a == "--skip-launch") {
      config.skipLaunch = true;
    } else if (a == "--session-check") {
      config.sessionCheck = true;
    } else if (a == "--prepare-offscreen") {
      config.prepareOffscreen = true;
    } else if (a == "--restore-window") {
      config.restoreWindow = true;
    } else {
      return std::nullopt;
    }
    ++i;
  }
  return config;
}

}  // namespace memotitler
