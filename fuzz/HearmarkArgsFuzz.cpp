// hearmark's argument parser over arbitrary argument vectors: whatever it
// accepts keeps the path verbatim and a top that is never negative.
#include "Config.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> args = fuzz::splitArguments(data, size);
  const auto config = hearmark::parseArgs(args);
  if (config) {
    fuzz::check(!args.empty() && config->path == args.front(), "the path is the first argument");
    fuzz::check(args.size() % 2 == 1, "options come in pairs after the path");
    fuzz::check(config->top >= 0, "top is never negative");
  }
  return 0;
}
