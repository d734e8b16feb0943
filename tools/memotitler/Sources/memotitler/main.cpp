#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "Config.h"
#include "JsonResult.h"
#include "Run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);

  platform::process::RealProcessLauncher process;
  platform::time::RealSleeper sleeper;
  const auto accessibility = platform::accessibility::makeSystemAccessibility();
  const auto workspace = platform::workspace::makeSystemWorkspace();
  const auto userId = static_cast<unsigned>(getuid());
  std::error_code noTemp;
  const auto tempDirectory = std::filesystem::temp_directory_path(noTemp);
  memotitler::SavedWindowStore savedWindow(
      memotitler::savedWindowFile(std::getenv("XDG_RUNTIME_DIR"), tempDirectory, userId), userId);
  memotitler::Services services{process,    sleeper,     *accessibility,
                                *workspace, savedWindow, userId};

  const memotitler::Outcome outcome = memotitler::runMemotitler(args, services);
  if (outcome.usageError) {
    std::fprintf(stderr, "%s\n", memotitler::kModeUsage);
  } else if (outcome.record) {
    memotitler::printJson(*outcome.record);
  }
  return outcome.status;
}
