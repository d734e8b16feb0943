#pragma once

#include <string>
#include <vector>

#include "platform/sound/AudioFileAnalyzer.h"
#include "platform/sound/Classifier.h"

namespace hearmark {

// The platform services a run uses, passed in so tests can replace them.
struct Services {
  const platform::sound::ClassifierCatalog& classifiers;
  platform::sound::AudioOpener openAudio;
  unsigned workers = 0;  // analysis threads; 0 means one per processor
};

// What main writes and the exit status it ends with.
struct Outcome {
  std::string out;
  std::string err;
  int status = 0;
};

// The labels the classifier can report, one per line, by code point.
Outcome listLabels(const Services& services);

// The whole program, given its arguments without the program name.
Outcome runHearmark(const std::vector<std::string>& args, const Services& services);

}  // namespace hearmark
