#include "Collector.h"

namespace voxtext {

Collector::Collector(platform::speech::ResultsSequence& results)
    : thread_([this, &results] {
        // Only this thread touches value_ until it ends; value() reads it
        // after the join.
        for (;;) {
          platform::speech::ResultsSequence::Step step = results.next();
          if (step.error) {
            value_.finals.clear();
            value_.error = std::move(step.error);
            return;
          }
          if (!step.result) return;
          if (step.result->isFinal) value_.finals.push_back(std::move(*step.result));
        }
      }) {}

Collector::~Collector() {
  if (thread_.joinable()) thread_.join();
}

Collector::Value Collector::value() {
  if (thread_.joinable()) thread_.join();
  return std::move(value_);
}

}  // namespace voxtext
