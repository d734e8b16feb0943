#pragma once

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/speech/ResultsSequence.h"

namespace voxtext {

// Walks a transcriber's results on a thread of its own while the analysis
// runs, keeping the final results in the order they arrive and dropping the
// others. Its value is ready once the sequence has ended.
class Collector {
 public:
  struct Value {
    std::vector<platform::speech::Result> finals;
    std::optional<std::string> error;  // the sequence failed; finals are dropped
  };

  explicit Collector(platform::speech::ResultsSequence& results);
  // Waits for the sequence to end (the analyzer ends it when it finishes).
  ~Collector();
  Collector(const Collector&) = delete;
  Collector& operator=(const Collector&) = delete;

  // Waits for the end of the sequence and gives the collected value.
  Value value();

 private:
  Value value_;
  std::thread thread_;
};

}  // namespace voxtext
