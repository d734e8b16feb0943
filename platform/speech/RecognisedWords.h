#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Result.h"

namespace platform::speech {

// A word as the recogniser segments it: its dictionary entry, the samples it
// spans in the stream (end exclusive) and its posterior probability.
struct RecognisedWord {
  std::string token;
  std::int64_t startSample = 0;
  std::int64_t endSample = 0;
  double posterior = 0;
};

// The spoken word a dictionary token stands for: none for fillers and
// silence markers ("<s>", "<sil>", "[NOISE]", "++BREATH++"), and without the
// alternate-pronunciation suffix ("and(2)" is "and").
std::optional<std::string> spokenWord(std::string_view token);

// One final result from the words of an utterance: its text is the spoken
// words joined by single spaces, one run per word carrying the word's time
// range and confidence (posterior clamped to [0, 1]), and plain runs for the
// spaces. None when no spoken word is left.
std::optional<Result> resultFromWords(const std::vector<RecognisedWord>& words,
                                      time::MediaTimeRange range, int sampleRate);

}  // namespace platform::speech
