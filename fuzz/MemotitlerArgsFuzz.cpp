// memotitler's argument parser over arbitrary argument vectors: the titles it
// keeps are arguments taken verbatim, each standing right after its option.
#include <algorithm>

#include "Config.h"
#include "FuzzInput.h"

namespace {

bool followsOption(const std::vector<std::string>& args, const std::string& option,
                   const std::string& value) {
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == option && args[i + 1] == value) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> args = fuzz::splitArguments(data, size);
  const auto config = memotitler::parseArgs(args);
  if (!config) return 0;
  if (config->findTitle) {
    fuzz::check(followsOption(args, "--find", *config->findTitle), "--find takes the next argument");
  }
  if (config->newTitle) {
    fuzz::check(followsOption(args, "--new-title", *config->newTitle),
                "--new-title takes the next argument");
  }
  if (config->sessionCheck) {
    fuzz::check(std::count(args.begin(), args.end(), "--session-check") > 0,
                "the session check is asked for");
  }
  return 0;
}
