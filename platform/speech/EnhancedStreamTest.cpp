#include "platform/speech/EnhancedStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <numbers>
#include <random>

namespace platform::speech {
namespace {

constexpr int kRate = 16000;

// An enhancer whose output is its input, halved, a fixed number of samples
// late: where the stream lands and which samples were cleaned are plain.
class DelayingEnhancer : public SpeechEnhancer {
 public:
  explicit DelayingEnhancer(int delay) : line_(static_cast<std::size_t>(delay), 0.0f), delay_(delay) {}
  int frameLength() const override { return kRate / 100; }
  int delay() const override { return delay_; }
  void process(std::span<float> frame) override {
    for (float& sample : frame) {
      line_.push_back(sample);
      sample = 0.5f * line_.front();
      line_.pop_front();
    }
  }

 private:
  std::deque<float> line_;
  int delay_;
};

std::vector<float> runThrough(EnhancedStream& stream, const std::vector<float>& samples,
                              std::size_t block) {
  std::vector<float> out;
  for (std::size_t at = 0; at < samples.size(); at += block) {
    const std::size_t n = std::min(block, samples.size() - at);
    const auto part = stream.push(std::span(samples.data() + at, n));
    out.insert(out.end(), part.begin(), part.end());
  }
  const auto rest = stream.finish();
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

// Noise at an RMS level (dBFS) with a warbling tone, the stand-in for
// speech, at -20 dBFS from `toneFrom` seconds on for half a second.
std::vector<float> noisyTone(double seconds, double noiseDb, double toneFrom) {
  std::mt19937 random(11);
  std::normal_distribution<double> normal;
  const double noise = std::pow(10.0, noiseDb / 20.0);
  std::vector<float> samples;
  double phase = 0;
  for (long i = 0; i < std::lround(seconds * kRate); ++i) {
    const double t = static_cast<double>(i) / kRate;
    double sample = noise * normal(random);
    if (t >= toneFrom && t < toneFrom + 0.5) {
      phase += 2 * std::numbers::pi * (300 + 80 * std::sin(2 * std::numbers::pi * 3 * t)) / kRate;
      sample += 0.14 * std::sin(phase);
    }
    samples.push_back(static_cast<float>(sample));
  }
  return samples;
}

TEST(EnhancedStream, EverySampleLeavesAtItsOwnPlaceWhateverTheDelayAndBlocks) {
  EnhancedStream::Settings alwaysClean;
  alwaysClean.loudDb = alwaysClean.quietDb = -1000.0;
  const std::vector<float> samples = noisyTone(1.234, -30.0, 0.3);
  for (const int delay : {0, 96, 160, 250}) {
    for (const std::size_t block : {1u, 159u, 4096u, 100000u}) {
      EnhancedStream stream(std::make_unique<DelayingEnhancer>(delay), alwaysClean);
      const std::vector<float> out = runThrough(stream, samples, block);
      ASSERT_EQ(out.size(), samples.size()) << delay << " " << block;
      for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(out[i], 0.5f * samples[i]) << "sample " << i << ", delay " << delay << ", block " << block;
      }
    }
  }
}

TEST(EnhancedStream, OnlyALoudBackgroundIsCleaned) {
  struct Case {
    double noiseDb;
    bool cleaned;
  };
  for (const Case c : {Case{-90.0, false}, Case{-65.0, false}, Case{-45.0, true}, Case{-30.0, true}}) {
    // The tone comes first: speech at the very start does not pass for the
    // background.
    const std::vector<float> samples = noisyTone(3.0, c.noiseDb, 0.0);
    EnhancedStream stream(std::make_unique<DelayingEnhancer>(160));
    const std::vector<float> out = runThrough(stream, samples, 4096);
    ASSERT_EQ(out.size(), samples.size());
    std::size_t cleaned = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) cleaned += out[i] != samples[i] && samples[i] != 0;
    if (c.cleaned) {
      EXPECT_EQ(cleaned, samples.size()) << c.noiseDb;
    } else {
      EXPECT_EQ(out, samples) << c.noiseDb;
    }
  }
}

TEST(EnhancedStream, WithoutAnEnhancerTheSamplesPassUnchanged) {
  const std::vector<float> samples = noisyTone(0.7, -30.0, 0.1);
  EnhancedStream stream(nullptr);
  EXPECT_EQ(runThrough(stream, samples, 1000), samples);
}

// The real suppressors: their delays are what they say, so speech stays where
// it was, and the noise around it is quieter.
TEST(EnhancedStream, RealSuppressorsKeepSpeechInPlaceAndLowerTheNoise) {
  const std::vector<float> samples = noisyTone(4.0, -35.0, 2.0);
  for (const EnhancerKind kind : {EnhancerKind::Speex}) {
    std::string error;
    EnhancedStream stream(makeEnhancer(kind, kRate, error));
    ASSERT_TRUE(error.empty()) << error;
    const std::vector<float> out = runThrough(stream, samples, 4096);
    ASSERT_EQ(out.size(), samples.size());
    // Where the output follows the input best: the lag that is left.
    const std::size_t from = 2 * kRate, to = from + kRate / 2;
    int bestLag = 0;
    double best = -1e30;
    for (int lag = -320; lag <= 320; ++lag) {
      double sum = 0;
      for (std::size_t i = from; i < to; ++i) sum += samples[i] * out[static_cast<std::size_t>(static_cast<long>(i) + lag)];
      if (sum > best) best = sum, bestLag = lag;
    }
    EXPECT_LE(std::abs(bestLag), 16) << static_cast<int>(kind);  // within 1 ms
    const auto energy = [](const std::vector<float>& s, std::size_t a, std::size_t b) {
      double e = 0;
      for (std::size_t i = a; i < b; ++i) e += static_cast<double>(s[i]) * s[i];
      return 10 * std::log10(e / static_cast<double>(b - a));
    };
    EXPECT_LT(energy(out, kRate, 2 * kRate), energy(samples, kRate, 2 * kRate) - 6.0)
        << static_cast<int>(kind);
  }
}

}  // namespace
}  // namespace platform::speech
