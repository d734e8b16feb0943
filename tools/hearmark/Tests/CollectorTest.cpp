#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "Collector.h"

namespace hearmark {
namespace {

using platform::sound::Classification;
using platform::sound::ClassificationResult;
using platform::time::MediaTime;
using platform::time::MediaTimeRange;
using Labels = std::map<std::string, double>;

Labels labelsOf(const Row& row) { return Labels(row.labels.begin(), row.labels.end()); }

const auto kRequest = platform::sound::ClassifySoundRequest(nullptr);

ClassificationResult result(std::int64_t startMillis, std::vector<Classification> classifications) {
  return ClassificationResult(std::move(classifications),
                              MediaTimeRange{MediaTime::make(startMillis, 1000), MediaTime::make(1000, 1000)});
}

const std::vector<Classification> kWindow = {
    {"speech", 0.9}, {"music", 0.3}, {"noise", 0.05}, {"silence", 0.01}, {"laughter", 0.3}};

TEST(Collector, KeepsTheTopLabelsAtOrAboveTheFloor) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double floor;
    std::int64_t top;
    Labels expected;
  };
  const Case cases[] = {
      {0.05, 8, {{"speech", 0.9}, {"music", 0.3}, {"laughter", 0.3}, {"noise", 0.05}}},
      {0.3, 8, {{"speech", 0.9}, {"music", 0.3}, {"laughter", 0.3}}},  // equal to the floor
      {0.95, 8, {}},                                                   // above everything
      {0.0, 0, {}},
      {-0.2, 5, {{"speech", 0.9}, {"music", 0.3}, {"laughter", 0.3}, {"noise", 0.05}, {"silence", 0.01}}},
      {-inf, 1, {{"speech", 0.9}}},
      {nan, 8, {}},
      {0.0, std::numeric_limits<std::int64_t>::max(),
       {{"speech", 0.9}, {"music", 0.3}, {"laughter", 0.3}, {"noise", 0.05}, {"silence", 0.01}}},
  };
  for (const Case& c : cases) {
    Collector collector(c.floor, c.top);
    collector.requestDidProduce(kRequest, result(500, kWindow));
    const auto rows = collector.snapshot();
    ASSERT_EQ(rows.size(), 1u) << "every window makes a row, floor " << c.floor << " top " << c.top;
    EXPECT_EQ(rows[0].time, 0.5);
    EXPECT_EQ(labelsOf(rows[0]), c.expected) << "floor " << c.floor << " top " << c.top;
  }
}

TEST(Collector, CutsTiesAtTopToExactlyTopLabelsAndDropsNaNs) {
  Collector collector(0.0, 2);
  collector.requestDidProduce(
      kRequest, result(0, {{"a", 0.5}, {"b", 0.7}, {"c", 0.5}, {"d", std::nan("")}, {"e", 0.5}}));
  const Labels labels = labelsOf(collector.snapshot().at(0));
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels.at("b"), 0.7);
  EXPECT_EQ(labels.begin()->second, 0.5) << "one of the tied labels fills the last place";
  EXPECT_FALSE(labels.contains("d"));
}

TEST(Collector, ARepeatedLabelKeepsItsLastQualifyingConfidence) {
  Collector collector(0.1, 8);
  collector.requestDidProduce(kRequest, result(0, {{"a", 0.2}, {"a", 0.6}, {"a", 0.05}}));
  EXPECT_EQ(labelsOf(collector.snapshot().at(0)), (Labels{{"a", 0.6}}));
}

TEST(Collector, IgnoresResultsThatAreNotClassifications) {
  struct OtherResult : platform::sound::AnalysisResult {};
  Collector collector(0.05, 8);
  collector.requestDidProduce(kRequest, OtherResult{});
  collector.requestDidComplete(kRequest);
  EXPECT_TRUE(collector.snapshot().empty());
  EXPECT_FALSE(collector.errorMessage().has_value());
}

TEST(Collector, OrdersRowsFromManyThreadsByTimeAndEqualTimesByArrival) {
  Collector collector(0.0, 1);
  constexpr int kThreads = 4, kPerThread = 250;
  {
    std::vector<std::jthread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        // Each thread walks its own share of the windows backwards.
        for (int i = kPerThread - 1; i >= 0; --i) {
          collector.requestDidProduce(kRequest, result((i * kThreads + t) * 500, {{"x", 1.0}}));
        }
      });
    }
  }
  const auto rows = collector.snapshot();
  ASSERT_EQ(rows.size(), std::size_t{kThreads * kPerThread});
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].time, 0.5 * double(i));

  Collector ties(0.0, 1);
  ties.requestDidProduce(kRequest, result(1000, {{"late", 1.0}}));
  ties.requestDidProduce(kRequest, result(0, {{"first", 1.0}}));
  ties.requestDidProduce(kRequest, result(1000, {{"later", 1.0}}));
  const auto tied = ties.snapshot();
  ASSERT_EQ(tied.size(), 3u);
  EXPECT_TRUE(labelsOf(tied[0]).contains("first"));
  EXPECT_TRUE(labelsOf(tied[1]).contains("late"));
  EXPECT_TRUE(labelsOf(tied[2]).contains("later"));
}

TEST(Collector, AFailureAfterSomeRowsKeepsThemAndTheLastMessage) {
  Collector collector(0.05, 8);
  collector.requestDidProduce(kRequest, result(0, kWindow));
  collector.requestDidFail(kRequest, {"first"});
  collector.requestDidFail(kRequest, {"second"});
  EXPECT_EQ(collector.errorMessage(), "second");
  EXPECT_EQ(collector.snapshot().size(), 1u);
}

}  // namespace
}  // namespace hearmark
