#include "platform/sound/model/LogMel.h"

#include "platform/sound/model/SoundModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace platform::sound::model {
namespace {

std::vector<float> sine(double hz, std::size_t samples, double amplitude = 0.5) {
  std::vector<float> out(samples);
  for (std::size_t i = 0; i < samples; ++i) {
    out[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kSampleRate));
  }
  return out;
}

double bandCentreHz(int band) {
  auto mel = [](double hz) { return 2595.0 * std::log10(1.0 + hz / 700.0); };
  const double low = mel(kMelLowHz), high = mel(kMelHighHz);
  const double m = low + (high - low) * (band + 1) / (kMelBands + 1);
  return 700.0 * (std::pow(10.0, m / 2595.0) - 1.0);
}

TEST(LogMelTest, ToneLandsInTheBandAroundItsFrequencyInEveryFrame) {
  for (double hz : {200.0, 1000.0, 3000.0, 6500.0}) {
    const std::vector<float> f = logMelFeatures(sine(hz, kWindowSamples));
    ASSERT_EQ(f.size(), static_cast<std::size_t>(kFeatureCount));
    for (int frame = 0; frame < kFrames - 1; ++frame) {
      int loudest = 0;
      for (int band = 1; band < kMelBands; ++band) {
        if (f[band * kFrames + frame] > f[loudest * kFrames + frame]) loudest = band;
      }
      EXPECT_NEAR(bandCentreHz(loudest), hz, hz * 0.08) << hz << " Hz, frame " << frame;
    }
  }
}

TEST(LogMelTest, LouderInputRaisesEveryBandByTheSameLogStep) {
  const std::vector<float> quiet = logMelFeatures(sine(1000.0, kWindowSamples, 0.05));
  const std::vector<float> loud = logMelFeatures(sine(1000.0, kWindowSamples, 0.5));
  // Ten times the amplitude is a hundred times the power: ln(100) more.
  const int band = static_cast<int>(std::max_element(loud.begin(), loud.end()) - loud.begin()) / kFrames;
  EXPECT_NEAR(loud[band * kFrames + 10] - quiet[band * kFrames + 10], std::log(100.0), 1e-3);
}

TEST(LogMelTest, ShortWindowsArePaddedWithSilenceAndLongOnesCut) {
  std::vector<float> tone = sine(440.0, kWindowSamples / 3);
  std::vector<float> padded = tone;
  padded.resize(kWindowSamples, 0.0f);
  EXPECT_EQ(logMelFeatures(tone), logMelFeatures(padded));

  std::vector<float> longer = sine(440.0, kWindowSamples + 5000);
  std::vector<float> cut(longer.begin(), longer.begin() + kWindowSamples);
  EXPECT_EQ(logMelFeatures(longer), logMelFeatures(cut));

  const std::vector<float> empty = logMelFeatures({});
  ASSERT_EQ(empty.size(), static_cast<std::size_t>(kFeatureCount));
  for (float v : empty) ASSERT_TRUE(std::isfinite(v));
  EXPECT_EQ(empty, logMelFeatures(std::vector<float>(kWindowSamples, 0.0f)));
}

}  // namespace
}  // namespace platform::sound::model
