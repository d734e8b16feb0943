#pragma once

#include "ClassificationResult.h"
#include "ClassifySoundRequest.h"
#include "SoundError.h"

namespace platform::sound {

// Receives what an analysis finds. The analyzer calls it from threads of its
// own, several at once, and results may arrive in any order of time.
class ResultsObserver {
 public:
  virtual ~ResultsObserver() = default;

  virtual void requestDidProduce(const ClassifySoundRequest& request,
                                 const AnalysisResult& result) = 0;
  // The analysis stopped early; no completion notice follows.
  virtual void requestDidFail(const ClassifySoundRequest& request, const SoundError& error) = 0;
  // The whole file was analysed.
  virtual void requestDidComplete(const ClassifySoundRequest& request) = 0;
};

}  // namespace platform::sound
