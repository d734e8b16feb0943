#pragma once

#include <string>
#include <vector>

#include "platform/time/MediaTime.h"

namespace platform::sound {

// Anything an analysis reports for a stretch of audio. Observers tell the
// kinds apart with dynamic_cast.
class AnalysisResult {
 public:
  virtual ~AnalysisResult() = default;
};

// One label and how sure the classifier is of it, in [0, 1].
struct Classification {
  std::string identifier;
  double confidence = 0;
};

// The classifier's verdict on one window: every label with its confidence,
// most confident first, and the stretch of audio the window covers.
class ClassificationResult : public AnalysisResult {
 public:
  ClassificationResult(std::vector<Classification> labels, time::MediaTimeRange range)
      : classifications(std::move(labels)), timeRange(range) {}

  std::vector<Classification> classifications;
  time::MediaTimeRange timeRange;
};

}  // namespace platform::sound
