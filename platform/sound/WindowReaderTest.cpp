#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "platform/sound/WindowReader.h"
#include "platform/testing/MemoryAudioSource.h"

namespace platform::sound {
namespace {

using time::MediaTime;

TEST(PlanWindows, TurnsDurationAndOverlapIntoSamples) {
  struct Case {
    MediaTime duration;
    double overlap;
    int rate;
    std::size_t window, hop;
  };
  const Case cases[] = {
      {MediaTime::make(1000, 1000), 0.5, 16000, 16000, 8000},
      {MediaTime::make(1000, 1000), 0.0, 16000, 16000, 16000},
      {MediaTime::make(3, 2), 0.75, 8000, 12000, 3000},
      {MediaTime::make(1000, 1000), 0.99999, 16000, 16000, 1},  // at least one sample apart
      {MediaTime::make(1, 1000000), 0.5, 16000, 1, 1},           // at least one sample long
      {MediaTime::make(60, 1), 0.5, 16000, 960000, 480000},
  };
  for (const Case& c : cases) {
    ClassifySoundRequest request(nullptr);
    request.setWindowDuration(c.duration);
    request.setOverlapFactor(c.overlap);
    const auto plan = planWindows(request, c.rate);
    ASSERT_TRUE(std::holds_alternative<WindowPlan>(plan)) << c.duration.seconds();
    EXPECT_EQ(std::get<WindowPlan>(plan).windowSamples, c.window) << c.duration.seconds();
    EXPECT_EQ(std::get<WindowPlan>(plan).hopSamples, c.hop) << c.overlap;
  }
}

TEST(PlanWindows, RefusesSettingsThatCannotBeUsed) {
  const std::string badDuration = "The window duration must be more than 0 and at most 60 seconds.";
  const std::string badOverlap = "The overlap factor must be at least 0 and less than 1.";
  struct Case {
    MediaTime duration;
    double overlap;
    std::string error;
  };
  const Case cases[] = {
      {MediaTime::make(0, 1000), 0.5, badDuration},
      {MediaTime::make(-1, 1000), 0.5, badDuration},
      {MediaTime::make(1, 0), 0.5, badDuration},
      {MediaTime::invalid(), 0.5, badDuration},
      {MediaTime::make(61, 1), 0.5, badDuration},
      {MediaTime::make(1, 1), 1.0, badOverlap},
      {MediaTime::make(1, 1), -0.1, badOverlap},
      {MediaTime::make(1, 1), std::nan(""), badOverlap},
  };
  for (const Case& c : cases) {
    ClassifySoundRequest request(nullptr);
    request.setWindowDuration(c.duration);
    request.setOverlapFactor(c.overlap);
    const auto plan = planWindows(request, 16000);
    ASSERT_TRUE(std::holds_alternative<SoundError>(plan)) << c.duration.seconds() << " " << c.overlap;
    EXPECT_EQ(std::get<SoundError>(plan).localizedDescription, c.error);
  }
}

// Each window as (start, first sample, length); sample i of the stream has
// the value i.
using Cut = std::tuple<std::int64_t, float, std::size_t>;

std::vector<Cut> cut(std::size_t samples, WindowPlan plan, std::optional<std::string> failure = {}) {
  std::vector<float> stream(samples);
  std::iota(stream.begin(), stream.end(), 0.0f);
  testing::MemoryAudioSource source(stream, plan.sampleRate, failure);
  WindowReader reader(source, plan);
  std::vector<Cut> windows;
  while (auto window = reader.next()) {
    for (std::size_t i = 0; i < window->samples.size(); ++i) {
      EXPECT_EQ(window->samples[i], float(window->start + std::int64_t(i)));
    }
    windows.emplace_back(window->start, window->samples.front(), window->samples.size());
  }
  return windows;
}

TEST(WindowReader, StartsAWindowEveryHopAndCutsTheLastOneShortOnlyForUnseenSamples) {
  const WindowPlan halves{4, 4, 2};
  struct Case {
    std::size_t samples;
    WindowPlan plan;
    std::vector<Cut> windows;
  };
  const Case cases[] = {
      {0, halves, {}},
      {3, halves, {{0, 0.f, 3}}},
      {4, halves, {{0, 0.f, 4}}},
      {5, halves, {{0, 0.f, 4}, {2, 2.f, 3}}},
      {6, halves, {{0, 0.f, 4}, {2, 2.f, 4}}},
      {7, halves, {{0, 0.f, 4}, {2, 2.f, 4}, {4, 4.f, 3}}},
      {5, {4, 4, 4}, {{0, 0.f, 4}, {4, 4.f, 1}}},
      {8, {4, 4, 4}, {{0, 0.f, 4}, {4, 4.f, 4}}},
      {10, {4, 4, 3}, {{0, 0.f, 4}, {3, 3.f, 4}, {6, 6.f, 4}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cut(c.samples, c.plan), c.windows) << c.samples << " samples, hop " << c.plan.hopSamples;
  }
}

TEST(WindowReader, AReadFailureEndsTheWindowsWithoutAPartialOne) {
  EXPECT_EQ(cut(7, {4, 4, 2}, "broken"), (std::vector<Cut>{{0, 0.f, 4}, {2, 2.f, 4}}));
}

}  // namespace
}  // namespace platform::sound
