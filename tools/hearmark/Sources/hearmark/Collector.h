#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/sound/ResultsObserver.h"

namespace hearmark {

// One classified window: its start in seconds and its kept labels with their
// confidences, ordered by identifier. A flat list rather than a map: a long
// recording keeps thousands of rows until it is printed.
struct Row {
  double time = 0;
  std::vector<std::pair<std::string, double>> labels;

  bool operator==(const Row&) const = default;
};

// Receives the analysis's results, from several threads at once, and keeps
// one row per classification result: the labels at or above `floor`, at most
// `top` of them, the most confident first. Also keeps the last failure's
// message.
class Collector : public platform::sound::ResultsObserver {
 public:
  Collector(double floor, std::int64_t top);

  void requestDidProduce(const platform::sound::ClassifySoundRequest& request,
                         const platform::sound::AnalysisResult& result) override;
  void requestDidFail(const platform::sound::ClassifySoundRequest& request,
                      const platform::sound::SoundError& error) override;
  void requestDidComplete(const platform::sound::ClassifySoundRequest& request) override;

  std::optional<std::string> errorMessage() const;

  // The rows ordered by time; rows of equal time in the order they arrived.
  std::vector<Row> snapshot() const;

 private:
  const double floor_;
  const std::int64_t top_;
  mutable std::mutex lock_;
  std::vector<Row> rows_;
  std::optional<std::string> errorMessage_;
};

}  // namespace hearmark
