#include "Entry.h"

#include <filesystem>
#include <system_error>

namespace voxtext {

Outcome runVoxtext(const std::vector<std::string>& arguments, const Services& services) {
  if (arguments.size() != 2) return {std::nullopt, Failure{kUsage, kUsageOrRunFailure}};
  const std::string& operand = arguments[1];

  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(operand, error);
  if (error || !std::filesystem::exists(path, error)) {
    return {std::nullopt, Failure{"File not found: " + operand, kUsageOrRunFailure}};
  }
  if (!services.meetsVersionGate()) {
    return {std::nullopt, Failure{"macOS 26 required", kPreconditionUnmet}};
  }

  auto transcript = transcribe(path.string(), services);
  if (auto* failure = std::get_if<Failure>(&transcript)) return {std::nullopt, std::move(*failure)};
  return {std::move(std::get<nlohmann::json>(transcript)), std::nullopt};
}

}  // namespace voxtext
