#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Classifier.h"
#include "SoundError.h"
#include "platform/time/MediaTime.h"

namespace platform::sound {

// The identifier of the built-in sound classifier, version 1.
inline constexpr std::string_view kClassifierIdentifierVersion1 = "version1";

// Asks for a classifier's labels on windows of a file: how long each window
// is and how much consecutive windows overlap. Settings are read when an
// analysis starts.
class ClassifySoundRequest {
 public:
  explicit ClassifySoundRequest(std::shared_ptr<const Classifier> classifier)
      : classifier_(std::move(classifier)) {}

  // One second at timescale 1000, overlapping by half, unless set otherwise.
  void setWindowDuration(time::MediaTime duration) { windowDuration_ = duration; }
  void setOverlapFactor(double factor) { overlapFactor_ = factor; }
  time::MediaTime windowDuration() const { return windowDuration_; }
  double overlapFactor() const { return overlapFactor_; }

  // The label identifiers the classifier can report.
  const std::vector<std::string>& knownClassifications() const { return classifier_->labels(); }

  const Classifier& classifier() const { return *classifier_; }

 private:
  std::shared_ptr<const Classifier> classifier_;
  time::MediaTime windowDuration_ = time::MediaTime::make(1000, 1000);
  double overlapFactor_ = 0.5;
};

struct RequestOrError {
  std::shared_ptr<ClassifySoundRequest> request;  // null on failure
  SoundError error;
};

// A request for the classifier installed under `identifier`.
RequestOrError makeClassifySoundRequest(const ClassifierCatalog& classifiers,
                                        std::string_view identifier);

}  // namespace platform::sound
