#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "Result.h"

namespace platform::speech {

// The results of a transcriber in delivery order, handed from the analysis to
// whoever walks them. The sequence ends once the analyzer has finished, or
// fails with an error; either way nothing is taken after that.
class ResultsSequence {
 public:
  // One step of the walk: a result, the end (neither set), or a failure.
  struct Step {
    std::optional<Result> result;
    std::optional<std::string> error;
  };

  // Blocks until a result is there or the sequence is over. Results delivered
  // before the end are all handed out before the end is reported.
  Step next();

  // Producer side. Deliveries after the end are dropped.
  void deliver(Result result);
  void finish();
  void fail(std::string error);

  bool ended() const;

  // Waits until every result delivered so far has been taken, or `limit`
  // has passed; true when all were taken.
  bool waitUntilTaken(std::chrono::milliseconds limit);

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Result> pending_;
  bool ended_ = false;
  std::optional<std::string> error_;
};

}  // namespace platform::speech
