#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/time/MediaTime.h"

namespace platform::speech {

// A stretch of a result's text over which every attribute has one value.
// A recognised word carries its place in the audio and the transcriber's
// confidence in it; the spaces between words carry neither.
struct Run {
  std::string text;  // UTF-8
  std::optional<double> confidence;
  std::optional<time::MediaTimeRange> timeRange;
};

// Text made of runs; the runs cover the text in order.
struct AttributedText {
  std::vector<Run> runs;

  std::string characters() const {
    std::string all;
    for (const Run& run : runs) all += run.text;
    return all;
  }
};

// One result of a transcriber: its text and the audio it covers.
struct Result {
  AttributedText text;
  time::MediaTimeRange range;
  bool isFinal = true;
};

}  // namespace platform::speech
