#include "Config.h"

#include "platform/text/Numbers.h"

namespace hearmark {

std::optional<Config> parseArgs(const std::vector<std::string>& args) {
  if (args.empty()) return std::nullopt;
  Config config;
  config.path = args.front();
  for (std::size_t i = 1; i < args.size(); i += 2) {
    const std::string& option = args[i];
    if (option != "--floor" && option != "--top") return std::nullopt;
    if (i + 1 >= args.size()) return std::nullopt;
    const std::string& value = args[i + 1];
    if (option == "--floor") {
      const auto floor = platform::text::parseCDouble(value);
      if (!floor) return std::nullopt;
      config.floor = *floor;
    } else {
      const auto top = platform::text::parseDecimalInt64(value);
      if (!top || *top < 0) return std::nullopt;
      config.top = *top;
    }
  }
  return config;
}

}  // namespace hearmark
