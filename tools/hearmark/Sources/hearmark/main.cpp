#include <cstdio>
#include <string>
#include <vector>

#include "Run.h"
#include "platform/audio/AudioSource.h"
#include "platform/sound/BuiltinClassifiers.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);

  const platform::sound::ClassifierCatalog classifiers = platform::sound::builtinClassifiers();
  const hearmark::Services services{classifiers, platform::audio::openAudioFile};
  const hearmark::Outcome outcome = hearmark::runHearmark(args, services);
  std::fwrite(outcome.out.data(), 1, outcome.out.size(), stdout);
  std::fwrite(outcome.err.data(), 1, outcome.err.size(), stderr);
  return outcome.status;
}
