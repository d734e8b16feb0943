// voxtext's entry over arbitrary argument vectors, with a system that fails
// the version gate so nothing is transcribed: every run ends in one of the
// three failures of its first checks, with their statuses.
#include "Entry.h"
#include "FuzzInput.h"
#include "platform/testing/ScriptedSpeechService.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments{"voxtext"};
  for (std::string& argument : fuzz::splitArguments(data, size)) arguments.push_back(std::move(argument));

  platform::testing::ScriptedSpeechService speech({});
  const voxtext::Services services{
      speech,
      [](const std::string&, int) {
        fuzz::fail("audio opened without passing the version gate");
        return platform::audio::OpenResult{};
      },
      [] { return std::string("0"); },
      [] { return false; },
  };
  const voxtext::Outcome outcome = voxtext::runVoxtext(arguments, services);
  fuzz::check(outcome.failure.has_value() && !outcome.document, "only failures come back");
  const voxtext::Failure& failure = *outcome.failure;
  if (arguments.size() != 2) {
    fuzz::check(failure == voxtext::Failure{voxtext::kUsage, 1}, "usage failure");
  } else {
    fuzz::check(failure == voxtext::Failure{"File not found: " + arguments[1], 1} ||
                    failure == voxtext::Failure{"macOS 26 required", 2},
                "file or version failure");
  }
  fuzz::check(failure.message.find('\n') == std::string::npos || arguments.size() == 2,
              "the failure is one line unless the path has a line break");
  return 0;
}
