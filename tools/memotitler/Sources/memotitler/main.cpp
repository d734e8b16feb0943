#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Config.h"
#include "JsonResult.h"
#include "Run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);

  platform::process::RealProcessLauncher process;
  platform::time::RealSleeper sleeper;
  memotitler::Services services{process, sleeper, static_cast<unsigned>(getuid())};

  const memotitler::Outcome outcome = memotitler::runMemotitler(args, services);
  if (outcome.usageError) {
    std::fprintf(stderr, "%s\n", memotitler::kModeUsage);
  } else if (outcome.record) {
    memotitler::printJson(*outcome.record);
  }
  return outcome.status;
}
