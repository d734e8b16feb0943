#pragma once

#include <vector>

#include "platform/time/Sleeper.h"

namespace platform::testing {

// Records every pause instead of sleeping.
class RecordingSleeper : public time::Sleeper {
 public:
  void sleepFor(double seconds) override { pauses.push_back(seconds); }
  std::vector<double> pauses;
};

}  // namespace platform::testing
