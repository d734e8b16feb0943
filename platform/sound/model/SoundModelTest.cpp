#include "platform/sound/model/SoundModel.h"

#include "platform/sound/model/LogMel.h"
#include "platform/sound/model/Network.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <span>
#include <thread>
#include <vector>

namespace platform::sound::model {
namespace {

#include "platform/sound/model/SoundModelExpected.inc"

TEST(SoundModelTest, NetworkMatchesTheTrainingFrameworkOnFixedWindows) {
  const std::size_t labelCount = labels().size();
  for (int w = 0; w < kExpectedWindows; ++w) {
    const std::span<const float> features(kExpectedFeatures + static_cast<std::size_t>(w) * kFeatureCount,
                                          kFeatureCount);
    const std::vector<float> got = runModel(compiledWeights(), features);
    ASSERT_EQ(got.size(), labelCount);
    for (std::size_t i = 0; i < labelCount; ++i) {
      EXPECT_NEAR(got[i], kExpectedOutputs[w * labelCount + i], 2e-4) << "window " << w << ", " << labels()[i];
    }
  }
}

TEST(SoundModelTest, LabelsAreUniqueSnakeCaseAndVersionIsSet) {
  EXPECT_FALSE(version().empty());
  ASSERT_FALSE(labels().empty());
  std::set<std::string> seen;
  for (const std::string& label : labels()) {
    EXPECT_TRUE(seen.insert(label).second) << label;
    ASSERT_FALSE(label.empty());
    for (char c : label) EXPECT_TRUE((c >= 'a' && c <= 'z') || c == '_' || (c >= '0' && c <= '9')) << label;
  }
}

std::vector<float> noiseWindow(std::size_t samples, unsigned seed) {
  std::vector<float> out(samples);
  for (float& v : out) {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<float>(seed >> 8) / static_cast<float>(1u << 24) - 0.5f;
  }
  return out;
}

TEST(SoundModelTest, ClassifyPadsShortWindowsAndGivesConfidencesInRange) {
  const std::vector<float> part = noiseWindow(kWindowSamples / 4, 1);
  std::vector<float> padded = part;
  padded.resize(kWindowSamples, 0.0f);
  const std::vector<float> got = classify(part);
  EXPECT_EQ(got, classify(padded));
  ASSERT_EQ(got.size(), labels().size());
  for (float c : got) EXPECT_TRUE(c >= 0.0f && c <= 1.0f) << c;
  EXPECT_EQ(classify({}).size(), labels().size());
}

TEST(SoundModelTest, WindowsBelowTheQuietestTrainingSoundAreSilenceAlone) {
  const auto& names = labels();
  const std::size_t silence =
      static_cast<std::size_t>(std::find(names.begin(), names.end(), "silence") - names.begin());
  ASSERT_LT(silence, names.size());
  std::vector<float> faint = noiseWindow(kWindowSamples, 3);
  for (float& v : faint) v *= 1e-3f;  // about -71 dBFS
  const std::vector<std::vector<float>> quiet = {std::vector<float>(kWindowSamples, 0.0f), faint,
                                                 std::vector<float>(kWindowSamples / 2, 0.0f), {}};
  for (const auto& window : quiet) {
    std::vector<float> expected(names.size(), 0.0f);
    expected[silence] = 1.0f;
    EXPECT_EQ(classify(window), expected) << window.size() << " samples";
  }
  // Louder than that, the network decides.
  for (float& v : faint) v *= 2.0f;  // about -65 dBFS
  EXPECT_EQ(classify(faint), runModel(compiledWeights(), logMelFeatures(faint)));
}

TEST(SoundModelTest, ConcurrentCallsGiveTheSameResultsAsOneAtATime) {
  std::vector<std::vector<float>> windows, expected;
  for (unsigned i = 0; i < 4; ++i) {
    windows.push_back(noiseWindow(kWindowSamples, i + 10));
    expected.push_back(classify(windows.back()));
  }
  std::vector<std::vector<float>> got(windows.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    threads.emplace_back([&, i] {
      for (int repeat = 0; repeat < 3; ++repeat) got[i] = classify(windows[i]);
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace platform::sound::model
