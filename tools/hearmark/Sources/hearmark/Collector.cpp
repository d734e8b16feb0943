#include "Collector.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <map>
#include <utility>

namespace hearmark {

using platform::sound::ClassificationResult;

Collector::Collector(double floor, std::int64_t top) : floor_(floor), top_(std::max<std::int64_t>(top, 0)) {}

void Collector::requestDidProduce(const platform::sound::ClassifySoundRequest&,
                                  const platform::sound::AnalysisResult& result) {
  const auto* classified = dynamic_cast<const ClassificationResult*>(&result);
  if (classified == nullptr) return;

  // A confidence or a floor that is not a number fails the comparison, so
  // such a label never qualifies. A repeated identifier keeps its last value.
  std::map<std::string, double> qualifying;
  for (const auto& classification : classified->classifications) {
    if (classification.confidence >= floor_) {
      qualifying[classification.identifier] = classification.confidence;
    }
  }
  std::vector<std::pair<std::string, double>> ranked(qualifying.begin(), qualifying.end());
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  const auto keep = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(ranked.size()), top_));

  Row row{classified->timeRange.startSeconds(),
          {std::make_move_iterator(ranked.begin()),
           std::make_move_iterator(ranked.begin() + static_cast<long>(keep))}};
  std::sort(row.labels.begin(), row.labels.end());
  std::lock_guard hold(lock_);
  rows_.push_back(std::move(row));
}

void Collector::requestDidFail(const platform::sound::ClassifySoundRequest&,
                               const platform::sound::SoundError& error) {
  std::lock_guard hold(lock_);
  errorMessage_ = error.localizedDescription;
}

void Collector::requestDidComplete(const platform::sound::ClassifySoundRequest&) {}

std::optional<std::string> Collector::errorMessage() const {
  std::lock_guard hold(lock_);
  return errorMessage_;
}

std::vector<Row> Collector::snapshot() const {
  std::vector<Row> sorted;
  {
    std::lock_guard hold(lock_);
    sorted = rows_;
  }
  // A time that is not a number sorts last instead of breaking the order.
  const auto key = [](const Row& row) {
    return std::isnan(row.time) ? std::numeric_limits<double>::infinity() : row.time;
  };
  std::stable_sort(sorted.begin(), sorted.end(),
                   [&](const Row& a, const Row& b) { return key(a) < key(b); });
  return sorted;
}

}  // namespace hearmark
